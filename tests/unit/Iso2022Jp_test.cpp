#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "mailstore/Iso2022JpConverter.h"
#include "tests/support/HexBytes.h"

namespace tessera {
namespace {

using tessera::testing::Hex;

struct Case {
    const char* name;
    std::string input;
    const char* expectedHex;
};

void ExpectTable(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        EXPECT_EQ(Hex(Iso2022JpToShiftJis(c.input)), c.expectedHex) << c.name;
    }
}

TEST(Iso2022JpToShiftJis, PlainAsciiAndRomanDesignations) {
    ExpectTable({
        {"empty", "", ""},
        {"ascii line", "Hi\r\n", "48 69 0D 0A"},
        {"ESC ( B removed", "\x1B(BA\r\n", "41 0D 0A"},
        {"ESC ( J removed", "\x1B(JA", "41"},
        {"ESC ( H treated as roman", "\x1B(HA", "41"},
        {"8-bit bytes pass in ASCII", "\x82\xA0\xFF", "82 A0 FF"},
    });
}

TEST(Iso2022JpToShiftJis, Jis0208RowsAndCells) {
    ExpectTable({
        {"hiragana a (2422)", "\x1B$B$\"\x1B(B", "82 A0"},
        {"first kanji (3021)", "\x1B$B\x30\x21\x1B(B", "88 9F"},
        {"ESC $ @ like ESC $ B", "\x1B$@\x30\x21\x1B(B", "88 9F"},
        {"long form ESC $ ( B", "\x1B$(B\x30\x21\x1B(B", "88 9F"},
        {"row 1 cell 1 (2121)", "\x1B$B!!\x1B(B", "81 40"},
        {"cell 0x5F / 0x60 around trail 7F", "\x1B$B!_!`\x1B(B", "81 7E 81 80"},
        {"even row last cell (227E)", "\x1B$B\"~\x1B(B", "81 FC"},
        {"odd row 0x5D -> lead 9F", "\x1B$B]!\x1B(B", "9F 40"},
        {"even row 0x5E -> lead 9F, high trail", "\x1B$B^!\x1B(B", "9F 9F"},
        {"row 0x5F -> lead E0", "\x1B$B_!\x1B(B", "E0 40"},
        {"last row (7E7E)", "\x1B$B~~\x1B(B", "EF FC"},
        {"mixed with ascii", "a\x1B$B\x30\x21\x1B(Bb\r\n", "61 88 9F 62 0D 0A"},
        {"ESC & @ announcer removed", "\x1B&@\x1B$B\x30\x21\x1B(B", "88 9F"},
    });
}

TEST(Iso2022JpToShiftJis, NecRow13AndRows89To92) {
    ExpectTable({
        {"circled 1 (2D21)", "\x1B$B-!\x1B(B", "87 40"},
        {"circled 20 (2D34)", "\x1B$B-4\x1B(B", "87 53"},
        {"roman I (2D35)", "\x1B$B-5\x1B(B", "87 54"},
        {"era Heisei (2D5F)", "\x1B$B-_\x1B(B", "87 7E"},
        {"double prime (2D60)", "\x1B$B-`\x1B(B", "87 80"},
        {"numero (2D62)", "\x1B$B-b\x1B(B", "87 82"},
        {"right angle (2D7C)", "\x1B$B-|\x1B(B", "87 9C"},
        {"row 89 first (7921)", "\x1B$By!\x1B(B", "ED 40"},
        {"row 90 first (7A21)", "\x1B$Bz!\x1B(B", "ED 9F"},
        {"row 91 last (7B7E)", "\x1B$B{~\x1B(B", "EE 9E"},
        {"small roman i (7C71)", "\x1B$B|q\x1B(B", "EE EF"},
        {"small roman ii (7C72)", "\x1B$B|r\x1B(B", "EE F0"},
        {"fullwidth not (7C7B)", "\x1B$B|{\x1B(B", "EE F9"},
        {"fullwidth quote (7C7E)", "\x1B$B|~\x1B(B", "EE FC"},
    });
}

TEST(Iso2022JpToShiftJis, Jis0212BecomesGetaPerCharacter) {
    ExpectTable({
        {"two 0212 chars", "\x1B$(D\x30\x21\x30\x22\x1B(B", "81 AC 81 AC"},
        {"0212 then 0208", "\x1B$(D\x30\x21\x1B$B\x30\x21\x1B(Bx", "81 AC 88 9F 78"},
        {"X 0213 plane 2 likewise", "\x1B$(P!!\x1B(B", "81 AC"},
    });
}

TEST(Iso2022JpToShiftJis, HalfWidthKatakana) {
    ExpectTable({
        {"ESC ( I range ends", "\x1B(I!1_\x1B(Ba", "A1 B1 DF 61"},
        {"ESC ( I bytes outside 21-5F pass", "\x1B(I`~ \x1B(B", "60 7E 20"},
        {"SO/SI",
         "a\x0E"
         "1\x0F"
         "b",
         "61 B1 62"},
        {"SI returns to two-byte mode",
         "\x1B$B\x0E"
         "1\x0F\x30\x21\x1B(B",
         "B1 88 9F"},
        {"stray SI in ASCII ignored",
         "a\x0F"
         "b",
         "61 62"},
        {"8-bit kana bytes pass", "\xB1\xDF", "B1 DF"},
    });
}

// Broken input: nothing is swallowed and line breaks always survive. A line
// break (or the end of the text) inside a two-byte run returns to ASCII, so
// the next line does not inherit a forgotten ESC ( B.
TEST(Iso2022JpToShiftJis, BrokenSequences) {
    ExpectTable({
        {"odd byte count before ESC", "\x1B$B\x30\x21\x30\x1B(Bx", "88 9F 30 78"},
        {"odd byte count before CR LF", "\x1B$B\x30\x21\x30\r\n", "88 9F 30 0D 0A"},
        {"CR LF inside two-byte mode resets", "\x1B$B\x30\x21\r\n\x30\x21", "88 9F 0D 0A 30 21"},
        {"LF alone resets", "\x1B$B\n!!", "0A 21 21"},
        {"no ESC ( B at end of line", "\x1B$B\x30\x21", "88 9F"},
        {"space inside two-byte mode kept", "\x1B$B\x30\x21 \x30\x21\x1B(B", "88 9F 20 88 9F"},
        {"8-bit byte inside two-byte mode kept", "\x1B$B\xA4\x30\x21\x1B(B", "A4 88 9F"},
        {"unknown escape kept", "\x1B$A\x30\x21", "1B 24 41 30 21"},
        {"cut-off escape at end", "ab\x1B$", "61 62 1B 24"},
        {"lone ESC before CR LF", "\x1B\r\n", "1B 0D 0A"},
        {"ESC ( then LF", "\x1B(\n", "1B 28 0A"},
        {"escape inside a character", "\x1B$B\x30\x1B(Bx", "30 78"},
        {"EUC-JP bytes mislabelled pass", "\xB0\xA1\r\n", "B0 A1 0D 0A"},
    });
}

TEST(Iso2022JpToShiftJis, AppendKeepsExistingContent) {
    std::string out = "X";
    AppendIso2022JpAsShiftJis("\x1B$B\x30\x21\x1B(B", out);
    AppendIso2022JpAsShiftJis("y", out);
    EXPECT_EQ(Hex(out), "58 88 9F 79");
}

// Random bytes biased towards the interesting ones: the output never grows
// and every CR and LF comes through, in order.
TEST(Iso2022JpToShiftJis, RandomInputKeepsLineBreaks) {
    const char alphabet[] = {'\x1B', '$',  '(',  'B', 'D', 'I', '@',    '\x0E',
                             '\x0F', '\r', '\n', '!', '0', '~', '\xA4', ' '};
    std::mt19937 rng(12345);
    for (int round = 0; round < 2000; ++round) {
        std::string input(rng() % 64, '\0');
        for (char& c : input) {
            c = rng() % 4 == 0 ? static_cast<char>(rng()) : alphabet[rng() % sizeof alphabet];
        }
        std::string out = Iso2022JpToShiftJis(input);
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

}  // namespace
}  // namespace tessera
