#include "export/seams/CalendarTime.h"

#include <cstdint>
#include <ctime>

namespace tessera {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    if (month == 2 && IsLeapYear(year)) return 29;
    return kDays[month - 1];
}

bool IsValidCalendarTime(const CalendarTime& t) {
    if (t.year < kMinCalendarYear || t.year > kMaxCalendarYear) return false;
    if (t.day < 1 || t.day > DaysInMonth(t.year, t.month)) return false;
    if (t.hour < 0 || t.hour > 23) return false;
    return t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

int64_t DaysSinceEpoch(int year, int month, int day) {
    // The civil-from-days inverse.
    const int y = month <= 2 ? year - 1 : year;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yearOfEra = y - era * 400;
    const int shiftedMonth = month > 2 ? month - 3 : month + 9;
    const int dayOfYear = (153 * shiftedMonth + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return static_cast<int64_t>(era) * 146097 + dayOfEra - 719468;
}

int DayOfWeek(int year, int month, int day) {
    const int64_t weekday = (DaysSinceEpoch(year, month, day) + 4) % 7;  // 1970-01-01: Thursday
    return static_cast<int>(weekday >= 0 ? weekday : weekday + 7);
}

CalendarTime FromLocalFields(const std::tm& fields) {
    CalendarTime now;
    now.year = fields.tm_year + 1900;
    now.month = fields.tm_mon + 1;
    now.day = fields.tm_mday;
    now.hour = fields.tm_hour;
    now.minute = fields.tm_min;
    now.second = fields.tm_sec > 59 ? 59 : fields.tm_sec;  // a leap second reads as :59
    return now;
}

}  // namespace tessera
