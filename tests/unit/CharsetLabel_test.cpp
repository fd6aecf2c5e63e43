// Charset names, the Shift-JIS label a text needs, and labels that lie.
#include "export/charset/CharsetLabel.h"

#include <gtest/gtest.h>

#include "export/charset/CharsetSniffing.h"

using namespace tessera;

namespace {

TEST(CharsetLabel, Names) {
    EXPECT_EQ(IdentifyJapaneseCharset(" \"ISO-2022-JP\" "), JapaneseCharset::kIso2022Jp);
    EXPECT_EQ(IdentifyJapaneseCharset("x-euc-jp"), JapaneseCharset::kEucJp);
    EXPECT_EQ(IdentifyJapaneseCharset("Windows-31J"), JapaneseCharset::kShiftJis);
    EXPECT_EQ(IdentifyJapaneseCharset("UTF8"), JapaneseCharset::kUtf8);
    EXPECT_EQ(IdentifyJapaneseCharset("ISO-2022-JP-3"), JapaneseCharset::kIso2022Jp);
    EXPECT_EQ(IdentifyJapaneseCharset("iso-2022-kr"), JapaneseCharset::kNone);
    EXPECT_TRUE(IsUsAsciiLabel("US-ASCII"));
    EXPECT_FALSE(IsUsAsciiLabel("iso-8859-1"));
}

TEST(CharsetLabel, MeasuredLabels) {
    struct Case {
        const char* text;
        ShiftJisRepertoire needs;
        const char* label;
    } cases[] = {
        {"plain", ShiftJisRepertoire::kAscii, "Shift_JIS"},
        {"\x93\xFA\x96\x7B \xCA", ShiftJisRepertoire::kJisX0208, "Shift_JIS"},
        {"\x93\xFA C:\\dir", ShiftJisRepertoire::kCp932,
         "MS932"},                                          // glibc reads 0x5C as a yen sign
        {"\x87\x40", ShiftJisRepertoire::kCp932, "MS932"},  // ①
        {"\xFB\xFC\xF0\x40", ShiftJisRepertoire::kCp932, "MS932"},  // 髙, user-defined area
        {"\x85\x40", ShiftJisRepertoire::kInvalid, nullptr},
        {"\x93", ShiftJisRepertoire::kInvalid, nullptr},
        {"\xA0", ShiftJisRepertoire::kInvalid, nullptr},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MeasureShiftJis(c.text), c.needs) << c.text;
        const char* label = ShiftJisLabel(MeasureShiftJis(c.text));
        EXPECT_EQ(label == nullptr ? "" : label, std::string(c.label == nullptr ? "" : c.label));
    }
}

TEST(CharsetLabel, LabelsKeptWhenEveryReaderReadsThemExactly) {
    EXPECT_TRUE(LabelReadsExactly("\"ms932\"", ShiftJisRepertoire::kJisX0208));
    EXPECT_TRUE(LabelReadsExactly("Shift_JIS", ShiftJisRepertoire::kJisX0208));
    EXPECT_FALSE(LabelReadsExactly("shift_jis", ShiftJisRepertoire::kCp932));
    EXPECT_FALSE(LabelReadsExactly("cp932", ShiftJisRepertoire::kJisX0208));  // unknown to WHATWG
    EXPECT_FALSE(LabelReadsExactly("MS932", ShiftJisRepertoire::kInvalid));
}

TEST(CharsetSniffing, LabelsThatLie) {
    struct Case {
        JapaneseCharset declared;
        const char* text;
        JapaneseCharset really;
    } cases[] = {
        {JapaneseCharset::kIso2022Jp, "\x1b$BF|\x1b(B", JapaneseCharset::kIso2022Jp},
        {JapaneseCharset::kIso2022Jp, "\x1b$BF|\x1b(B \xB1",
         JapaneseCharset::kIso2022Jp},  // 8-bit kana
        {JapaneseCharset::kIso2022Jp, "\xE6\x97\xA5", JapaneseCharset::kUtf8},
        {JapaneseCharset::kIso2022Jp, "\xC6\xFC\xCB\xDC", JapaneseCharset::kEucJp},
        {JapaneseCharset::kIso2022Jp, "\x93\xFA\x96\x7B", JapaneseCharset::kShiftJis},
        {JapaneseCharset::kEucJp, "\xE6\x97\xA5", JapaneseCharset::kUtf8},
        {JapaneseCharset::kEucJp, "\xC6\xFC\x8E\xB1", JapaneseCharset::kEucJp},
        {JapaneseCharset::kShiftJis, "\x85\x40", JapaneseCharset::kNone},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolveJapaneseCharset(c.declared, c.text), c.really) << c.text;
}

// Text without a label: valid structure first, then the score.
TEST(CharsetSniffing, UnlabelledTextIsGuessed) {
    const auto none = JapaneseCharset::kNone, euc = JapaneseCharset::kEucJp,
               sjis = JapaneseCharset::kShiftJis;
    struct Case {
        const char* text;
        JapaneseCharset guess;
    } cases[] = {
        {"plain", none},
        {"\xE6\x97\xA5", JapaneseCharset::kUtf8},
        {"\xC6\xFC\xCB\xDC", euc},            // 日本: not Shift-JIS
        {"\xA4\xA2\xA4\xA4", euc},            // あい, or four half-width kana
        {"\xB1\xB2\xB3\xB4", euc},            // two kanji beat four half-width kana
        {"\xCA\xDD\xB6\xB8 \x82\xA0", sjis},  // ﾊﾝｶｸ あ: not EUC-JP
        {"Ren\xE9"
         "e",
         none},  // Latin-1 that forms one Shift-JIS kanji
        {"\xFF\xFE", none},
    };
    for (const Case& c : cases) EXPECT_EQ(GuessJapaneseCharset(c.text), c.guess) << c.text;
}

}  // namespace
