// The engine's own decoding of what the host's converters do not map.
#include "export/charset/JisDecoder.h"

#include <gtest/gtest.h>

#include <cstring>

#include "export/conversion/ShiftJisConverter.h"
#include "host/SimulatedHost.h"
#include "tests/support/HexBytes.h"

using namespace tessera;
using tessera::testing::Hex;

namespace {

TEST(JisDecoder, Table) {
    const auto J = JapaneseCharset::kIso2022Jp;
    const auto E = JapaneseCharset::kEucJp;
    struct Case {
        JapaneseCharset charset;
        std::string in;
        bool ok;
        std::string out;  // Shift-JIS
        size_t unmapped;
    } cases[] = {
        // JIS X 0212 that code page 932 has: the code Windows writes (IBM over NEC-selected)
        {J, "\x1b$(DTc\x1b(B\r\n", true, "\xFA\x5C\r\n", 0},                   // 纊
        {J, "a\x1b$B$\"\x1b$(D0!\x1b(Bb", true, "a\x82\xA0&#19970;b", 1},      // あ 丂
        {E, "\x8F\xD4\xE3\xA4\xA2\x8E\xB1", true, "\xFA\x5C\x82\xA0\xB1", 0},  // 纊 あ ｱ
        // Unix EUC-JP's IBM extensions in rows 83-84: ⅰ ⅱ 﨑 髙
        {E, "\x8F\xF3\xF3\x8F\xF3\xF4\x8F\xF4\xFB", true, "\xFA\x40\xFA\x41\xFB\xFC", 0},
        {E, "\x8F\xF4\xBD", true, "\xFA\xB1", 0},
        // JIS X 0213 plane 1: JIS X 0208 cells by arithmetic, others by table
        {J, "\x1b$(Q$\"$w\x1b(B", true, "\x82\xA0\x82\xA9&#12442;", 1},  // あ か゚
        {J, "\x1b$(P!!\x1b(B", true, "&#131209;", 1},                    // 𠂉 (plane 2)
        // ISO-2022-JP-2: Latin-1 and Greek through ESC N, GB 2312, KS X 1001
        {J, "\x1b.A\x1bNi\x1bN4", true, "&#233;\x81\x4C", 1},  // é ´
        {J, "\x1b.F\x1bNa", true, "\x83\xBF", 0},              // α
        {J, "\x1b$A:C\x1b(B", true, "\x8D\x44", 0},            // 好
        {J, "\x1b$(C0!\x1b(B", true, "&#44032;", 1},           // 가
        // a line break returns to ASCII and clears G2
        {J, "\x1b$(D0!\r\n0!", true, "&#19970;\r\n0!", 1},
        {J, "\x1b.A\r\n\x1bNi", false, "", 0},
        // damage: unknown escape, undefined cell, 8-bit byte out of place
        {J, "\x1b$(Z!!", false, "", 0},
        {J, "\x1b$B)!", false, "", 0},
        {E, "\x8F\xA1\xA1", false, "", 0},
        {E, "\x8F\xB0", false, "", 0},
    };
    for (const Case& c : cases) {
        std::string out = "x";
        size_t unmapped = 0;
        EXPECT_EQ(AppendJisAsShiftJis(c.charset, c.in, Unmappable::kReference, out, &unmapped),
                  c.ok)
            << Hex(c.in);
        EXPECT_EQ(Hex(out), Hex("x" + c.out)) << Hex(c.in);
        EXPECT_EQ(unmapped, c.unmapped) << Hex(c.in);
        // Refusing, a character Shift-JIS lacks fails the whole text.
        const bool whole = c.ok && c.unmapped == 0;
        out = "x";
        EXPECT_EQ(AppendJisAsShiftJis(c.charset, c.in, Unmappable::kRefuse, out, nullptr), whole)
            << Hex(c.in);
        EXPECT_EQ(Hex(out), Hex(whole ? "x" + c.out : "x")) << Hex(c.in);
    }
}

TEST(JisDecoder, OnlyWhatTheHostDoesNotMapIsTheEngines) {
    const auto J = JapaneseCharset::kIso2022Jp;
    const auto E = JapaneseCharset::kEucJp;
    struct Case {
        JapaneseCharset charset;
        const char* line;
        bool own;
    } cases[] = {
        {J, "\x1b$B$\"\x1b(J\x1b(I1\x1b(B\r\n", false},
        {J, "\x1b$(D0!\x1b(B", true},
        {J, "\x1b$(Q$\"", true},
        {J, "\x1b.A\x1bNi", true},
        {J, "\x1b$(Z", false},
        {E, "\xA4\xA2\x8E\xB1", false},
        {E, "\x8F\xB0\xA1", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NeedsOwnJisDecoding(c.charset, c.line), c.own) << Hex(c.line);
}

// A host whose ISO-2022-JP converter writes a geta mark for NEC row 13.
HostApi gSimulated;
char* TESSERA_HOSTCALL GetaForNecRow13(const char* text, int flags) {
    char* converted = gSimulated.ISO_2022_JP(text, flags);
    for (char* p = converted; p != nullptr && p[0] != '\0' && p[1] != '\0'; ++p) {
        if (std::memcmp(p, "\x87\x40", 2) == 0) std::memcpy(p, "\x81\xAC", 2);
    }
    return converted;
}

TEST(JisDecoder, AGetaMarkTheHostWroteIsTheEnginesCharacter) {
    SimulatedHost::Instance().Reset();
    gSimulated = MakeSimulatedHostApi();
    HostApi api = gSimulated;
    api.ISO_2022_JP = GetaForNecRow13;
    ShiftJisConverter converter(api);
    std::string out;
    // ① from the host as 〓 comes out as ①; the text's own 〓 stays.
    ASSERT_TRUE(converter.Append(JapaneseCharset::kIso2022Jp,
                                 "\x1b$B-!\x1b(B\r\n\x1b$B\".\x1b(B\r\n", Unmappable::kReference,
                                 out));
    EXPECT_EQ(Hex(out), Hex("\x87\x40\r\n\x81\xAC\r\n"));
    EXPECT_EQ(SimulatedHost::Instance().Buffers().Live(), 0u);
}

}  // namespace
