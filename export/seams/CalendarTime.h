#pragma once

#include <cstdint>
#include <ctime>

namespace tessera {

// A civil date and time as written, without time zone (proleptic Gregorian).
struct CalendarTime {
    int year = 1970;
    int month = 1;  // 1 = January
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Years the envelope date accepts; four digits keep its text at 24 bytes.
constexpr int kMinCalendarYear = 1601;
constexpr int kMaxCalendarYear = 9999;

bool IsLeapYear(int year);
// Days in the month (1..12) of the year; 0 for a month out of range.
int DaysInMonth(int year, int month);
// True when the fields name a real moment: year in range, day within its month,
// hour 0..23, minute and second 0..59.
bool IsValidCalendarTime(const CalendarTime& time);
// Days from 1970-01-01 to the date (negative before it).
int64_t DaysSinceEpoch(int year, int month, int day);
// Day of the week of a valid date, 0 = Sunday.
int DayOfWeek(int year, int month, int day);
// The fields of a broken-down local time (a leap second reads as :59).
CalendarTime FromLocalFields(const std::tm& fields);

}  // namespace tessera
