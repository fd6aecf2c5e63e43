// The plug-in's own UTF-8 conversion: code page 932 as Windows writes it, the
// JIS variants, composed kana, references, and refusal of malformed UTF-8.
#include "export/charset/Utf8ToShiftJis.h"

#include <gtest/gtest.h>

#include "tests/support/EngineInternals.h"
#include "tests/support/HexBytes.h"

using namespace tessera;
using tessera::testing::Hex;

namespace {

TEST(Utf8ToShiftJis, Characters) {
    struct Case {
        const char* utf8;
        const char* sjis;
        size_t unmapped;
    } cases[] = {
        {"a\\~\r\n", "a\\~\r\n", 0},
        {"\xE6\x97\xA5\xE6\x9C\xAC", "\x93\xFA\x96\x7B", 0},  // 日本
        {"\xEF\xBE\x8A", "\xCA", 0},                          // ﾊ
        {"\xE3\x80\x9C\xE2\x80\x96\xE2\x88\x92\xE2\x80\x94", "\x81\x60\x81\x61\x81\x7C\x81\x5C", 0},
        {"\xC2\xA2\xC2\xA3\xC2\xAC", "\x81\x91\x81\x92\x81\xCA", 0},  // ¢ £ ¬
        {"\xEF\xBD\x9E\xEF\xBF\xA2", "\x81\x60\x81\xCA", 0},          // ～ ￢ (Windows forms)
        {"\xE2\x91\xA0\xE9\xAB\x99\xE2\x85\xB0", "\x87\x40\xFB\xFC\xFA\x40",
         0},                                                   // ① 髙 ⅰ: NEC, IBM
        {"\xEE\x80\x80", "\xF0\x40", 0},                       // U+E000: user-defined
        {"\xE3\x81\x8B\xE3\x82\x99", "\x82\xAA", 0},           // か + voiced mark
        {"\xE3\x81\x86\xE3\x82\x99", "\x82\xA4&#12441;", 1},   // ゔ is not in cp932
        {"\xF0\x9F\x98\x80 \xC2\xA5", "&#128512; &#165;", 2},  // emoji, yen sign
        {"\xC2\x80\xEF\xA3\xB0", "&#128;&#63728;", 2},         // lone bytes 0x80, 0xA0
    };
    for (const Case& c : cases) {
        std::string out = "x";
        size_t unmapped = 0;
        ShiftJisRepertoire repertoire = ShiftJisRepertoire::kInvalid;
        ASSERT_TRUE(
            AppendUtf8AsShiftJis(c.utf8, Unmappable::kReference, out, &unmapped, &repertoire))
            << c.utf8;
        EXPECT_EQ(Hex(out), Hex(std::string("x") + c.sjis)) << c.utf8;
        EXPECT_EQ(unmapped, c.unmapped) << c.utf8;
        EXPECT_EQ(repertoire, MeasureShiftJis(out.substr(1))) << c.utf8;  // measured while written
    }
    std::string name;
    ASSERT_TRUE(
        AppendUtf8AsShiftJis("\xE6\x97\xA5\xF0\x9F\x98\x80", Unmappable::kUnderscore, name));
    EXPECT_EQ(Hex(name), Hex("\x93\xFA_"));
}

TEST(Utf8ToShiftJis, MalformedTextIsRefusedAndOutUntouched) {
    const char* cases[] = {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                           "\xE3\x81", "a\x80",        "\xFE",         "\xF0\x9F\x98"};
    for (const char* c : cases) {
        std::string out = "keep";
        EXPECT_FALSE(IsWellFormedUtf8(c)) << Hex(c);
        EXPECT_FALSE(AppendUtf8AsShiftJis(c, Unmappable::kReference, out)) << Hex(c);
        EXPECT_EQ(out, "keep");
    }
    EXPECT_TRUE(IsWellFormedUtf8("\xF4\x8F\xBF\xBF \xED\x9F\xBF"));  // U+10FFFF, U+D7FF
}

TEST(Cp932Table, DoubleByteCodesReadersDecode) {
    EXPECT_TRUE(IsCp932DoubleByte(0x87, 0x40));
    EXPECT_TRUE(IsCp932DoubleByte(0xF9, 0xFC));
    EXPECT_FALSE(IsCp932DoubleByte(0x85, 0x40));  // rows 9-12 are empty
    EXPECT_FALSE(IsCp932DoubleByte(0xEB, 0x40));  // rows 85-88 too
    EXPECT_FALSE(IsCp932DoubleByte(0x81, 0x7F));
}

}  // namespace
