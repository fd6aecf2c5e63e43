// The host's two Japanese converters to Shift-JIS, over one table: every row
// names its converter, its input and the Shift-JIS bytes it must give.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "mailstore/EucJpConverter.h"
#include "mailstore/Iso2022JpConverter.h"
#include "tests/support/HexBytes.h"

namespace tessera {
namespace {

using tessera::testing::Hex;

enum Converter { kIso, kEuc };

std::string Convert(Converter converter, const std::string& input) {
    return converter == kIso ? Iso2022JpToShiftJis(input) : EucJpToShiftJis(input);
}

struct Case {
    Converter converter;
    const char* name;
    std::string input;
    const char* expectedHex;
};

TEST(JapaneseConverters, GiveTheShiftJisOfEveryRow) {
    const std::vector<Case> cases = {
        // ISO-2022-JP: plain ASCII and the roman designations
        {kIso, "empty", "", ""},
        {kIso, "ascii line", "Hi\r\n", "48 69 0D 0A"},
        {kIso, "ESC ( B removed", "\x1B(BA\r\n", "41 0D 0A"},
        {kIso, "ESC ( J removed", "\x1B(JA", "41"},
        {kIso, "ESC ( H treated as roman", "\x1B(HA", "41"},
        {kIso, "8-bit bytes pass in ASCII", "\x82\xA0\xFF", "82 A0 FF"},
        // ISO-2022-JP: JIS X 0208 rows and cells
        {kIso, "hiragana a (2422)", "\x1B$B$\"\x1B(B", "82 A0"},
        {kIso, "first kanji (3021)", "\x1B$B\x30\x21\x1B(B", "88 9F"},
        {kIso, "ESC $ @ like ESC $ B", "\x1B$@\x30\x21\x1B(B", "88 9F"},
        {kIso, "long form ESC $ ( B", "\x1B$(B\x30\x21\x1B(B", "88 9F"},
        {kIso, "row 1 cell 1 (2121)", "\x1B$B!!\x1B(B", "81 40"},
        {kIso, "cell 0x5F / 0x60 around trail 7F", "\x1B$B!_!`\x1B(B", "81 7E 81 80"},
        {kIso, "even row last cell (227E)", "\x1B$B\"~\x1B(B", "81 FC"},
        {kIso, "odd row 0x5D -> lead 9F", "\x1B$B]!\x1B(B", "9F 40"},
        {kIso, "even row 0x5E -> lead 9F, high trail", "\x1B$B^!\x1B(B", "9F 9F"},
        {kIso, "row 0x5F -> lead E0", "\x1B$B_!\x1B(B", "E0 40"},
        {kIso, "last row (7E7E)", "\x1B$B~~\x1B(B", "EF FC"},
        {kIso, "mixed with ascii", "a\x1B$B\x30\x21\x1B(Bb\r\n", "61 88 9F 62 0D 0A"},
        {kIso, "ESC & @ announcer removed", "\x1B&@\x1B$B\x30\x21\x1B(B", "88 9F"},
        // ISO-2022-JP: NEC row 13 and rows 89 to 92
        {kIso, "circled 1 (2D21)", "\x1B$B-!\x1B(B", "87 40"},
        {kIso, "circled 20 (2D34)", "\x1B$B-4\x1B(B", "87 53"},
        {kIso, "roman I (2D35)", "\x1B$B-5\x1B(B", "87 54"},
        {kIso, "era Heisei (2D5F)", "\x1B$B-_\x1B(B", "87 7E"},
        {kIso, "double prime (2D60)", "\x1B$B-`\x1B(B", "87 80"},
        {kIso, "numero (2D62)", "\x1B$B-b\x1B(B", "87 82"},
        {kIso, "right angle (2D7C)", "\x1B$B-|\x1B(B", "87 9C"},
        {kIso, "row 89 first (7921)", "\x1B$By!\x1B(B", "ED 40"},
        {kIso, "row 90 first (7A21)", "\x1B$Bz!\x1B(B", "ED 9F"},
        {kIso, "row 91 last (7B7E)", "\x1B$B{~\x1B(B", "EE 9E"},
        {kIso, "small roman i (7C71)", "\x1B$B|q\x1B(B", "EE EF"},
        {kIso, "small roman ii (7C72)", "\x1B$B|r\x1B(B", "EE F0"},
        {kIso, "fullwidth not (7C7B)", "\x1B$B|{\x1B(B", "EE F9"},
        {kIso, "fullwidth quote (7C7E)", "\x1B$B|~\x1B(B", "EE FC"},
        // ISO-2022-JP: JIS X 0212 becomes a geta mark per character
        {kIso, "two 0212 chars", "\x1B$(D\x30\x21\x30\x22\x1B(B", "81 AC 81 AC"},
        {kIso, "0212 then 0208", "\x1B$(D\x30\x21\x1B$B\x30\x21\x1B(Bx", "81 AC 88 9F 78"},
        {kIso, "X 0213 plane 2 likewise", "\x1B$(P!!\x1B(B", "81 AC"},
        // ISO-2022-JP: half-width katakana
        {kIso, "ESC ( I range ends", "\x1B(I!1_\x1B(Ba", "A1 B1 DF 61"},
        {kIso, "ESC ( I bytes outside 21-5F pass", "\x1B(I`~ \x1B(B", "60 7E 20"},
        {kIso, "SO/SI",
         "a\x0E"
         "1\x0F"
         "b",
         "61 B1 62"},
        {kIso, "SI returns to two-byte mode",
         "\x1B$B\x0E"
         "1\x0F\x30\x21\x1B(B",
         "B1 88 9F"},
        {kIso, "stray SI in ASCII ignored",
         "a\x0F"
         "b",
         "61 62"},
        {kIso, "8-bit kana bytes pass", "\xB1\xDF", "B1 DF"},
        // ISO-2022-JP: broken sequences
        // Broken input: nothing is swallowed and line breaks always survive. A line
        // break (or the end of the text) inside a two-byte run returns to ASCII, so
        // the next line does not inherit a forgotten ESC ( B.
        {kIso, "odd byte count before ESC", "\x1B$B\x30\x21\x30\x1B(Bx", "88 9F 30 78"},
        {kIso, "odd byte count before CR LF", "\x1B$B\x30\x21\x30\r\n", "88 9F 30 0D 0A"},
        {kIso, "CR LF inside two-byte mode resets", "\x1B$B\x30\x21\r\n\x30\x21",
         "88 9F 0D 0A 30 21"},
        {kIso, "LF alone resets", "\x1B$B\n!!", "0A 21 21"},
        {kIso, "no ESC ( B at end of line", "\x1B$B\x30\x21", "88 9F"},
        {kIso, "space inside two-byte mode kept", "\x1B$B\x30\x21 \x30\x21\x1B(B",
         "88 9F 20 88 9F"},
        {kIso, "8-bit byte inside two-byte mode kept", "\x1B$B\xA4\x30\x21\x1B(B", "A4 88 9F"},
        {kIso, "unknown escape kept", "\x1B$A\x30\x21", "1B 24 41 30 21"},
        {kIso, "cut-off escape at end", "ab\x1B$", "61 62 1B 24"},
        {kIso, "lone ESC before CR LF", "\x1B\r\n", "1B 0D 0A"},
        {kIso, "ESC ( then LF", "\x1B(\n", "1B 28 0A"},
        {kIso, "escape inside a character", "\x1B$B\x30\x1B(Bx", "30 78"},
        {kIso, "EUC-JP bytes mislabelled pass", "\xB0\xA1\r\n", "B0 A1 0D 0A"},
        // EUC-JP: JIS X 0208
        {kEuc, "empty", "", ""},
        {kEuc, "ascii line", "Hi\r\n", "48 69 0D 0A"},
        {kEuc, "hiragana a", "\xA4\xA2", "82 A0"},
        {kEuc, "first kanji", "\xB0\xA1", "88 9F"},
        {kEuc, "ideographic space", "\xA1\xA1", "81 40"},
        {kEuc, "cells around trail 7F", "\xA1\xDF\xA1\xE0", "81 7E 81 80"},
        {kEuc, "row 0x5F -> lead E0", "\xDF\xA1", "E0 40"},
        {kEuc, "last code", "\xFE\xFE", "EF FC"},
        {kEuc, "mixed",
         "a\xB0\xA1"
         "b\r\n",
         "61 88 9F 62 0D 0A"},
        // EUC-JP: NEC row 13 and rows 89 to 92
        {kEuc, "circled 1", "\xAD\xA1", "87 40"},
        {kEuc, "numero", "\xAD\xE2", "87 82"},
        {kEuc, "right angle", "\xAD\xFC", "87 9C"},
        {kEuc, "row 89 first", "\xF9\xA1", "ED 40"},
        {kEuc, "row 90 first", "\xFA\xA1", "ED 9F"},
        {kEuc, "small roman i", "\xFC\xF1", "EE EF"},
        {kEuc, "fullwidth quote", "\xFC\xFE", "EE FC"},
        // EUC-JP: single shifts
        {kEuc, "SS2 kana range ends", "\x8E\xA1\x8E\xDF", "A1 DF"},
        {kEuc, "SS3 JIS X 0212 is geta",
         "\x8F\xB0\xA1"
         "a",
         "81 AC 61"},
        {kEuc, "SS2 before non-kana passes alone", "\x8E\x41", "8E 41"},
        {kEuc, "SS2 before E0 A1: the pair converts", "\x8E\xE0\xA1", "8E E0 9F"},
        {kEuc, "SS3 with one bad trail", "\x8F\xB0\x41", "8F B0 41"},
        // EUC-JP: broken and truncated
        // Bytes that are not EUC-JP pass through; nothing after them is lost.
        {kEuc, "lead at end", "a\xB0", "61 B0"},
        {kEuc, "SS2 at end", "a\x8E", "61 8E"},
        {kEuc, "SS3 at end", "a\x8F", "61 8F"},
        {kEuc, "SS3 one trail at end", "a\x8F\xB0", "61 8F B0"},
        {kEuc, "lead before CR LF", "\xB0\r\n", "B0 0D 0A"},
        {kEuc, "lead before ascii",
         "\xB0"
         "A",
         "B0 41"},
        {kEuc, "C1 and A0/FF bytes", "\x80\xA0\xFF\x90", "80 A0 FF 90"},
        {kEuc, "Shift-JIS mislabelled passes or pairs up", "\x82\xA0", "82 A0"},
        {kEuc, "ISO-2022-JP escape untouched", "\x1B$B\x30\x21\x1B(B", "1B 24 42 30 21 1B 28 42"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Hex(Convert(c.converter, c.input)), c.expectedHex)
            << (c.converter == kIso ? "ISO-2022-JP: " : "EUC-JP: ") << c.name;
    }
}

TEST(JapaneseConverters, AppendKeepsExistingContent) {
    std::string out = "X";
    AppendIso2022JpAsShiftJis("\x1B$B\x30\x21\x1B(B", out);
    AppendEucJpAsShiftJis("\xB0\xA1", out);
    AppendIso2022JpAsShiftJis("y", out);
    EXPECT_EQ(Hex(out), "58 88 9F 88 9F 79");
}

// Random bytes biased towards the interesting ones: the output never grows
// and every CR and LF comes through, in order.
TEST(JapaneseConverters, RandomInputKeepsLineBreaks) {
    const std::string alphabets[] = {
        std::string("\x1B$(BDI@\x0E\x0F\r\n!0~\xA4 ", 16),
        std::string("\x8E\x8F\xA1\xB0\xFE\xFF\x80\r\na", 10),
    };
    for (Converter converter : {kIso, kEuc}) {
        const std::string& alphabet = alphabets[converter];
        std::mt19937 rng(converter == kIso ? 12345 : 54321);
        for (int round = 0; round < 2000; ++round) {
            std::string input(rng() % 64, '\0');
            for (char& c : input) {
                c = rng() % 4 == 0 ? static_cast<char>(rng()) : alphabet[rng() % alphabet.size()];
            }
            std::string out = Convert(converter, input);
            ASSERT_LE(out.size(), input.size()) << Hex(input);
            std::string breaksIn, breaksOut;
            for (char c : input) {
                if (c == '\r' || c == '\n') breaksIn += c;
            }
            for (char c : out) {
                if (c == '\r' || c == '\n') breaksOut += c;
            }
            ASSERT_EQ(Hex(breaksOut), Hex(breaksIn)) << Hex(input);
        }
    }
}

}  // namespace
}  // namespace tessera
