#include "export/framing/EnvelopeLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export/mime/MimePart.h"
#include "export/seams/CalendarTime.h"
#include "platform/LocalClock.h"
#include "tests/support/EngineInternals.h"

namespace tessera {
namespace {

std::string Address(const std::string& value, size_t size = kEnvelopeAddressSize) {
    std::vector<char> buffer(size, 'Z');
    ExtractEnvelopeAddress(value.c_str(), buffer.data(), size);
    return buffer.data();
}

struct AddressCase {
    const char* value;
    std::string address;
};

TEST(ExtractEnvelopeAddress, PicksTheBareAddress) {
    const std::vector<AddressCase> cases = {
        {"Taro <taro@example.jp>\r\n", "taro@example.jp"},
        {"\"a<b\" <real@example.jp>\r\n", "real@example.jp"},
        {"<  spaced@example.jp>", "spaced@example.jp"},
        {"<>\r\n", "\r\n"},  // the token after "<" is what is left: CR LF
        {"<>", ""},
        {"bare@example.jp\r\n", "bare@example.jp\r\n"},
        {"  bare@example.jp  \t", "bare@example.jp"},
        {"user@example.jp (Comment)\r\n", "user@example.jp"},
        {"(Comment) user@example.jp\r\n", "Comment"},
        {"Name <<<x@y>>>", "<<x@y"},  // only ">" separates
        {"unterminated <x@y", "x@y"},
        // Shift-JIS display name (trail bytes 0x5C and 0x40)
        {"\"\x83\x5c\x81\x40\" <sj@example.jp>", "sj@example.jp"},
        {"\x81<x@y>", "\x81<x@y>"},  // the "<" is a trail byte: whole value
    };
    for (const AddressCase& c : cases) {
        EXPECT_EQ(Address(c.value), c.address) << c.value;
    }
}

TEST(ExtractEnvelopeAddress, CutsAtBufferSize) {
    const std::string longAddress(400, 'a');
    EXPECT_EQ(Address("<" + longAddress + ">"), std::string(255, 'a'));
    EXPECT_EQ(Address(longAddress, 8), std::string(7, 'a'));
}

struct DateCase {
    const char* value;
    const char* date;  // null: cannot be read
};

TEST(FormatEnvelopeDate, FormatsReadableDates) {
    const std::vector<DateCase> cases = {
        {"Tue, 5 Mar 2002 09:07:03 +0900\r\n", "Tue Mar 05 09:07:03 2002"},
        {"5 Mar 2002 09:07:03 +0900\r\n", "Tue Mar 05 09:07:03 2002"},
        {"Sun, 5 Mar 2002 09:07:03 +0900", "Tue Mar 05 09:07:03 2002"},  // weekday computed
        {"Thu, 5 Mar 02 09:07:03", "Tue Mar 05 09:07:03 2002"},
        {"1 Jan 70 00:00:00", "Wed Jan 01 00:00:00 2070"},
        {"1 Jan 71 00:00:00", "Fri Jan 01 00:00:00 1971"},
        {"Tue, 5 Mar 2002 09:07 +0900", "Tue Mar 05 09:07:00 2002"},
        {"5-Mar-2002 09:07:03", "Tue Mar 05 09:07:03 2002"},
        {"Mon,  ,, 29 feb 2016 23:59:59 GMT", "Mon Feb 29 23:59:59 2016"},
        {"1 ju 2020 1:2:3", "Mon Jun 01 01:02:03 2020"},
        {"1 j 2020 10:00", "Wed Jan 01 10:00:00 2020"},  // first month the token begins
        {"1", nullptr},                                  // empty month token (January), but no time
        {"31 Dec 9999 23:59:59", "Fri Dec 31 23:59:59 9999"},
        {"1 Jan 1601 00:00:00", "Mon Jan 01 00:00:00 1601"},
        {"5 March 2002 09:07:03", nullptr},
        {"5 Xyz 2002 09:07:03", nullptr},
        {"5 Mar 2002\r\n", nullptr},
        {"", nullptr},
        {"5 Mar 2002 0907", nullptr},
        {"5 Mar 2002 09:07 (comment, here)", nullptr},
        {"31 Feb 2002 09:07:03", nullptr},
        {"29 Feb 2001 09:07:03", nullptr},
        {"5 Mar 2002 25:00:00", nullptr},
        {"5 Mar 2002 09:60:00", nullptr},
        {"5 Mar 2002 09:07:60", nullptr},
        {"0 Mar 2002 09:07:03", nullptr},
        {"5 Mar 1600 09:07:03", nullptr},
        {"5 Mar 10000 09:07:03", nullptr},
        {"5 Mar 99999999999999999999 09:07:03", nullptr},
        {"-5 Mar 2002 -1:07:03", nullptr},
    };
    for (const DateCase& c : cases) {
        char out[kEnvelopeDateLength + 1] = {};
        const int result = FormatEnvelopeDate(c.value, out, sizeof out);
        if (c.date == nullptr) {
            EXPECT_EQ(result, -1) << c.value << " gave " << out;
            continue;
        }
        EXPECT_EQ(result, 0) << c.value;
        EXPECT_STREQ(out, c.date) << c.value;
    }
}

TEST(FormatEnvelopeDate, RejectsLongValuesAndSmallBuffers) {
    const std::string padded = "5 Mar 2002 09:07:03 " + std::string(235, 'x');
    char out[kEnvelopeDateLength + 1];
    EXPECT_EQ(padded.size(), 255u);
    EXPECT_EQ(FormatEnvelopeDate(padded.c_str(), out, sizeof out), 0);
    EXPECT_EQ(FormatEnvelopeDate((padded + "x").c_str(), out, sizeof out), -1);
    EXPECT_EQ(FormatEnvelopeDate("5 Mar 2002 09:07:03", out, kEnvelopeDateLength), -1);
}

// Counting days from 1601-01-01 (a Monday) checks the closed formula independently.
TEST(CalendarTime, DayOfWeekAgreesWithCounting) {
    int weekday = 1;
    for (int year = 1601; year <= 2400; ++year) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= DaysInMonth(year, month); ++day) {
                ASSERT_EQ(DayOfWeek(year, month, day), weekday)
                    << year << "-" << month << "-" << day;
                weekday = (weekday + 1) % 7;
            }
        }
    }
}

TEST(CalendarTime, ValidatesFields) {
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_EQ(DaysInMonth(2023, 2), 28);
    EXPECT_EQ(DaysInMonth(2023, 13), 0);
    EXPECT_TRUE(IsValidCalendarTime(CalendarTime{2002, 3, 5, 9, 7, 3}));
    EXPECT_FALSE(IsValidCalendarTime(CalendarTime{2002, 4, 31, 9, 7, 3}));
    EXPECT_FALSE(IsValidCalendarTime(CalendarTime{2002, 0, 1, 0, 0, 0}));
    EXPECT_FALSE(IsValidCalendarTime(CalendarTime{2002, 1, 1, 24, 0, 0}));
    EXPECT_FALSE(IsValidCalendarTime(CalendarTime{2002, 1, 1, 0, -1, 0}));
}

TEST(CalendarTime, LocalNowIsAValidMoment) {
    const CalendarTime now = LocalNow();
    EXPECT_TRUE(IsValidCalendarTime(now));
    EXPECT_GE(now.year, 2020);
}

struct SenderCase {
    const char* value;
    const char* sender;
};

TEST(EnvelopeSender, IsAlwaysOneWord) {
    const std::vector<SenderCase> cases = {
        {"Taro <taro@example.jp>\r\n", "taro@example.jp"},
        {"bare@example.jp\r\n", "bare@example.jp"},
        {"x\r\n", "x"},
        {"x", "x"},
        {"<>\r\n", "MAILER-DAEMON"},
        {"", "MAILER-DAEMON"},
        {" \t\r\n", "MAILER-DAEMON"},
        {"John Smith\r\n", "John-Smith"},
        {"a\tb c\r\n", "a-b-c"},
        {"<a b>", "a-b"},
        {"first@a.jp,\r\n second@b.jp\r\n", "first@a.jp,---second@b.jp"},
        {"user@example.jp (Comment)\r\n", "user@example.jp"},
    };
    for (const SenderCase& c : cases) {
        EXPECT_EQ(EnvelopeSender(c.value), c.sender) << c.value;
    }
    // A raw UTF-8 name whose last byte would be a Shift-JIS lead byte before its quote.
    const char* utf8 =
        "\"\xE5\xB1\xB1\xE7\x94\xB0, \xE5\xA4\xAA\xE9\x83\x8E\" <taro@example.jp>\r\n";
    EXPECT_EQ(EnvelopeSender(utf8, true), "taro@example.jp");
}

std::unique_ptr<MimePart> ParseText(const std::string& text) {
    auto part = std::make_unique<MimePart>();
    const char* cursor = text.c_str();
    part->Parse(cursor);
    return part;
}

struct LineCase {
    const char* message;
    const char* line;
};

TEST(BuildEnvelopeLine, JoinsSenderAndDate) {
    const CalendarTime exportTime{2024, 7, 1, 12, 34, 56};
    const std::vector<LineCase> cases = {
        {"From: Taro <taro@example.jp>\r\nDate: Tue, 5 Mar 2002 09:07:03 +0900\r\n\r\nx\r\n",
         "From taro@example.jp Tue Mar 05 09:07:03 2002\r\n"},
        {"from: a@b\ndate: 5-Mar-2002 09:07\n\n", "From a@b Tue Mar 05 09:07:00 2002\r\n"},
        {"From: a@b\nDate: 31 Feb 2002 09:07:03\n\n", "From a@b Mon Jul 01 12:34:56 2024\r\n"},
        {"From: a@b\nDate: 5 March 2002 09:07:03\n\n", "From a@b Mon Jul 01 12:34:56 2024\r\n"},
        {"From: a@b\n\n", "From a@b Mon Jul 01 12:34:56 2024\r\n"},
        {"Date: Tue, 5 Mar 2002 09:07:03\n\n", "From MAILER-DAEMON Tue Mar 05 09:07:03 2002\r\n"},
        {"From: x\n\n", "From x Mon Jul 01 12:34:56 2024\r\n"},
        {"From: <>\n\n", "From MAILER-DAEMON Mon Jul 01 12:34:56 2024\r\n"},
        {"From: Display Only\n\n", "From Display-Only Mon Jul 01 12:34:56 2024\r\n"},
        {"", "From MAILER-DAEMON Mon Jul 01 12:34:56 2024\r\n"},
    };
    for (const LineCase& c : cases) {
        EXPECT_EQ(BuildEnvelopeLine(*ParseText(c.message), exportTime), c.line) << c.message;
    }
}

TEST(BuildEnvelopeLine, UsesEpochForAnUnusableExportTime) {
    const CalendarTime broken{0, 0, 0, 99, 99, 99};
    EXPECT_EQ(BuildEnvelopeLine(*ParseText("From: a@b\n\n"), broken),
              "From a@b Thu Jan 01 00:00:00 1970\r\n");
}

TEST(BuildEnvelopeLine, HasTheFixedDateWidthForEveryExportTime) {
    auto root = ParseText("From: a@b\n\n");
    for (int month = 1; month <= 12; ++month) {
        const CalendarTime t{1999 + month, month, DaysInMonth(2001, month), 23, 5, 9};
        const std::string line = BuildEnvelopeLine(*root, t);
        EXPECT_EQ(line.size(), std::string("From a@b \r\n").size() + kEnvelopeDateLength) << line;
    }
}

}  // namespace
}  // namespace tessera
