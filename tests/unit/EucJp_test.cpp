#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "mailstore/EucJpConverter.h"
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
        EXPECT_EQ(Hex(EucJpToShiftJis(c.input)), c.expectedHex) << c.name;
    }
}

TEST(EucJpToShiftJis, Jis0208) {
    ExpectTable({
        {"empty", "", ""},
        {"ascii line", "Hi\r\n", "48 69 0D 0A"},
        {"hiragana a", "\xA4\xA2", "82 A0"},
        {"first kanji", "\xB0\xA1", "88 9F"},
        {"ideographic space", "\xA1\xA1", "81 40"},
        {"cells around trail 7F", "\xA1\xDF\xA1\xE0", "81 7E 81 80"},
        {"row 0x5F -> lead E0", "\xDF\xA1", "E0 40"},
        {"last code", "\xFE\xFE", "EF FC"},
        {"mixed",
         "a\xB0\xA1"
         "b\r\n",
         "61 88 9F 62 0D 0A"},
    });
}

TEST(EucJpToShiftJis, NecRow13AndRows89To92) {
    ExpectTable({
        {"circled 1", "\xAD\xA1", "87 40"},
        {"numero", "\xAD\xE2", "87 82"},
        {"right angle", "\xAD\xFC", "87 9C"},
        {"row 89 first", "\xF9\xA1", "ED 40"},
        {"row 90 first", "\xFA\xA1", "ED 9F"},
        {"small roman i", "\xFC\xF1", "EE EF"},
        {"fullwidth quote", "\xFC\xFE", "EE FC"},
    });
}

TEST(EucJpToShiftJis, SingleShifts) {
    ExpectTable({
        {"SS2 kana range ends", "\x8E\xA1\x8E\xDF", "A1 DF"},
        {"SS3 JIS X 0212 is geta",
         "\x8F\xB0\xA1"
         "a",
         "81 AC 61"},
        {"SS2 before non-kana passes alone", "\x8E\x41", "8E 41"},
        {"SS2 before E0 A1: the pair converts", "\x8E\xE0\xA1", "8E E0 9F"},
        {"SS3 with one bad trail", "\x8F\xB0\x41", "8F B0 41"},
    });
}

// Bytes that are not EUC-JP pass through; nothing after them is lost.
TEST(EucJpToShiftJis, BrokenAndTruncated) {
    ExpectTable({
        {"lead at end", "a\xB0", "61 B0"},
        {"SS2 at end", "a\x8E", "61 8E"},
        {"SS3 at end", "a\x8F", "61 8F"},
        {"SS3 one trail at end", "a\x8F\xB0", "61 8F B0"},
        {"lead before CR LF", "\xB0\r\n", "B0 0D 0A"},
        {"lead before ascii",
         "\xB0"
         "A",
         "B0 41"},
        {"C1 and A0/FF bytes", "\x80\xA0\xFF\x90", "80 A0 FF 90"},
        {"Shift-JIS mislabelled passes or pairs up", "\x82\xA0", "82 A0"},
        {"ISO-2022-JP escape untouched", "\x1B$B\x30\x21\x1B(B", "1B 24 42 30 21 1B 28 42"},
    });
}

TEST(EucJpToShiftJis, AppendKeepsExistingContent) {
    std::string out = "X";
    AppendEucJpAsShiftJis("\xB0\xA1", out);
    AppendEucJpAsShiftJis("y", out);
    EXPECT_EQ(Hex(out), "58 88 9F 79");
}

TEST(EucJpToShiftJis, RandomInputKeepsLineBreaks) {
    const char alphabet[] = {'\x8E', '\x8F', '\xA1', '\xB0', '\xFE',
                             '\xFF', '\x80', '\r',   '\n',   'a'};
    std::mt19937 rng(54321);
    for (int round = 0; round < 2000; ++round) {
        std::string input(rng() % 64, '\0');
        for (char& c : input) {
            c = rng() % 4 == 0 ? static_cast<char>(rng()) : alphabet[rng() % sizeof alphabet];
        }
        std::string out = EucJpToShiftJis(input);
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
