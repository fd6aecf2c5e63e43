#include "export/flow/NamePattern.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export/conversion/ShiftJisConverter.h"
#include "export/framing/FileNaming.h"
#include "export/mime/MimePart.h"
#include "host/SimulatedHost.h"

namespace tessera {
namespace {

struct DateCase {
    const char* value;
    int64_t utc;  // -1: not readable
    const char* iso;
};

TEST(MessageDate, ReadsTheZoneAndGivesUtc) {
    const std::vector<DateCase> cases = {
        {"Tue, 05 Mar 2002 09:07:03 +0900", 1015286823, "2002-03-05T09:07:03+09:00"},
        {"5 Mar 2002 00:07:03 GMT", 1015286823, "2002-03-05T00:07:03+00:00"},
        {"Mon, 4 Mar 2002 19:07:03 -0500 (EST)", 1015286823, "2002-03-04T19:07:03-05:00"},
        {"Tue, 05 Mar 2002 09:07 JST", 1015286820, "2002-03-05T09:07:00+09:00"},
        {"Mon, 04 Mar 2002 16:37:03 -0730", 1015286823, "2002-03-04T16:37:03-07:30"},
        {"Tue, 05 Mar 2002 00:07:03", 1015286823, "2002-03-05T00:07:03+00:00"},  // no zone: UTC
        {"Tue, 05 Mar 2002 00:07:03 +9900", 1015286823, "2002-03-05T00:07:03+00:00"},
        {"1 Jan 1601 00:00:00 +0000", -11644473600, "1601-01-01T00:00:00+00:00"},
        {"Sat, 31 Dec 1960 23:59:59 -0000", -283996801, "1960-12-31T23:59:59+00:00"},
        {"31 Feb 2002 10:00:00 +0900", -1, ""},
        {"", -1, ""},
    };
    for (const DateCase& c : cases) {
        MessageDate date;
        const bool read = ReadMessageDate(c.value, date);
        EXPECT_EQ(read, c.utc != -1) << c.value;
        if (!read) continue;
        EXPECT_EQ(UtcSeconds(date), c.utc) << c.value;
        EXPECT_EQ(Iso8601(date), c.iso) << c.value;
    }
}

struct PatternCase {
    const char* pattern;
    const char* headers;
    std::string name;
    TargetCharset names = TargetCharset::kShiftJis;
};

TEST(NamePattern, EachFieldFromTheMessage) {
    const CalendarTime exportTime{2026, 12, 7, 8, 30, 0};
    const std::string kaigi = "\x89\xEF\x8B\x63";  // "会議"
    const std::string taro = "\x91\xBE\x98\x59";   // "太郎"
    const char* full =
        "Subject: =?ISO-2022-JP?B?GyRCMnE1RBsoQg==?=\r\n"
        "From: =?ISO-2022-JP?B?GyRCQkBPOhsoQg==?= <taro@example.jp>\r\n"
        "Date: Tue, 05 Mar 2002 09:07:03 +0900\r\n";
    const char* utf8 =
        "Subject: =?UTF-8?B?8J+YgPCgrrcgYS9i?=\r\nFrom: =?UTF-8?B?44Gx44GC?= <p@example.jp>\r\n";
    const std::vector<PatternCase> cases = {
        {"%Y%m%d %H%M %s", full, "20020305 0907 " + kaigi},
        {"%Y-%m-%d_%n", full, "2002-03-05_0007"},
        {"%f (%a) 100%% %x %", full, taro + " (taro@example.jp) 100% %x %"},
        {"%f", "From: bare@example.jp\r\n", "bare@example.jp"},
        {"%f", "From: bare@example.jp (Hanako)\r\n", "Hanako"},
        {"%Y%m%d %s", "Subject: x\r\n", "20261207 x"},  // no Date: the export time
        {"%s", "Date: 1 Jan 1601 00:00:00 +0000\r\n", "(noname)"},
        {"%Y %s", "Date: 1 Jan 1601 00:00:00 +0000\r\nSubject: a/b:c\r\n", "1601 a=b;c"},
        {"%a", "From: CON\r\n", "CON_"},
        // "😀𠮷 a/b" from "ぱあ", whose last UTF-8 byte looks like a Shift-JIS lead byte
        {"%f (%a) %s", utf8, "\x82\xCF\x82\xA0 (p@example.jp) __ a=b"},
        {"%f (%a) %s", utf8, "ぱあ (p@example.jp) 😀𠮷 a=b", TargetCharset::kUtf8},
    };
    SimulatedHost::Instance().Reset();
    HostApi api = MakeSimulatedHostApi();
    for (const PatternCase& c : cases) {
        const std::string text = std::string(c.headers) + "\r\nbody\r\n";
        const char* cursor = text.c_str();
        MimePart root;
        root.Parse(cursor);
        ShiftJisConverter converter(api, Unwatched(), c.names);
        EXPECT_EQ(
            PatternFileName(c.pattern, ReadNameFields(root, converter, exportTime, 7), c.names),
            c.name)
            << c.pattern << " / " << c.headers;
    }
}

TEST(NamePattern, ALongNameIsFittedAndToldApart) {
    NameFields fields;
    fields.subject = std::string(300, 'a');
    const std::string name = PatternFileName("%Y %s", fields);
    NameRegistry names;
    const std::string first = UniqueFileName(names, name, ".eml", 0, 0);
    const std::string second = UniqueFileName(names, name, ".eml", 0, 0);
    EXPECT_EQ(first.size(), kMaxFileNameBytes);
    EXPECT_EQ(first.substr(0, 5), "1970 ");
    EXPECT_EQ(second.substr(second.size() - 8), " (2).eml");
    EXPECT_EQ(second.size(), kMaxFileNameBytes);
}

}  // namespace
}  // namespace tessera
