#include "dialogs/DialogLogic.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/HexBytes.h"

namespace tessera {
namespace {

using tessera::testing::Hex;

// "表" (0x95 0x5C) and "ソ" (0x83 0x5C) end in a byte that equals '\'.
const std::string kHyou = "\x95\x5C";
const std::string kSo = "\x83\x5C";
const std::string kA = "\x82\xA0";  // "あ"

struct CentreCase {
    const char* name;
    ScreenRect reference;
    int width;
    int height;
    ScreenRect workArea;
    int x;
    int y;
};

TEST(CentredPosition, CentresAndClampsIntoTheWorkArea) {
    const ScreenRect work = {0, 0, 1024, 740};
    const CentreCase cases[] = {
        {"centred over owner", {100, 100, 500, 400}, 200, 100, work, 200, 200},
        {"odd sizes truncate", {0, 0, 101, 51}, 21, 11, work, 40, 20},
        {"owner is the work area", work, 330, 150, work, 347, 295},
        {"off the left and top", {-400, -300, 0, 0}, 200, 100, work, 0, 0},
        {"off the right and bottom", {900, 700, 1200, 900}, 200, 100, work, 824, 640},
        {"wider than the work area", {0, 0, 1024, 740}, 1500, 100, work, 0, 320},
        {"taller than the work area", {0, 0, 1024, 740}, 100, 900, work, 462, 0},
        {"larger, owner far right", {3000, 2000, 4000, 3000}, 1500, 900, work, 0, 0},
        {"work area not at the origin", {0, 0, 100, 100}, 60, 60, {200, 30, 800, 600}, 200, 30},
        {"negative centre truncates to zero", {-3, -3, 0, 0}, 0, 0, {-100, -100, 100, 100}, -1, -1},
    };
    for (const CentreCase& c : cases) {
        ScreenPoint at = CentredPosition(c.reference, c.width, c.height, c.workArea);
        EXPECT_EQ(at.x, c.x) << c.name;
        EXPECT_EQ(at.y, c.y) << c.name;
    }
}

TEST(PositionInside, MovesNoFurtherThanNeeded) {
    const ScreenRect work = {0, 0, 1024, 740};
    const CentreCase cases[] = {
        {"inside stays", {100, 50, 400, 250}, 0, 0, work, 100, 50},
        {"grown past the bottom moves up", {100, 600, 400, 800}, 0, 0, work, 100, 540},
        {"past the right moves left", {900, 10, 1100, 110}, 0, 0, work, 824, 10},
        {"taller than the work area sits on its top", {5, 200, 105, 1000}, 0, 0, work, 5, 0},
        {"work area not at the origin", {0, 0, 50, 50}, 0, 0, {200, 30, 800, 600}, 200, 30},
    };
    for (const CentreCase& c : cases) {
        ScreenPoint at = PositionInside(c.reference, c.workArea);
        EXPECT_EQ(at.x, c.x) << c.name;
        EXPECT_EQ(at.y, c.y) << c.name;
    }
}

TEST(TextBoxRoom, GrowsByWhatTheWorkAreaLeaves) {
    EXPECT_EQ(TextBoxRoom(40, 110, 740), 670);
    EXPECT_EQ(TextBoxRoom(40, 740, 740), 40);
    EXPECT_EQ(TextBoxRoom(40, 900, 740), 40);  // a dialog already too tall never shrinks the box
}

struct TextCase {
    const char* name;
    std::string input;
    std::string expected;
};

TEST(WithTrailingBackslash, AppendsOneUnlessEmptyOrPresent) {
    const TextCase cases[] = {
        {"empty stays empty", "", ""},
        {"folder gets one", "C:\\Mail", "C:\\Mail\\"},
        {"drive root keeps one", "C:\\", "C:\\"},
        {"present is kept", "C:\\Mail\\", "C:\\Mail\\"},
        {"two are kept", "C:\\Mail\\\\", "C:\\Mail\\\\"},
        {"trail byte 0x5C is a character", "C:\\" + kHyou, "C:\\" + kHyou + "\\"},
        {"katakana so", "D:\\" + kSo, "D:\\" + kSo + "\\"},
        {"backslash after double-byte", "C:\\" + kHyou + "\\", "C:\\" + kHyou + "\\"},
        {"plain double-byte", "C:\\" + kA, "C:\\" + kA + "\\"},
        {"single-byte katakana", "C:\\\xB1", "C:\\\xB1\\"},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(Hex(WithTrailingBackslash(c.input)), Hex(c.expected)) << c.name;
    }
}

TEST(BrowseStartFolder, DropsOneBackslashFromLongerThanThreeBytes) {
    const TextCase cases[] = {
        {"empty", "", ""},
        {"drive root stays whole", "C:\\", "C:\\"},
        {"three bytes ending in one stay", "ab\\", "ab\\"},
        {"folder loses it", "C:\\Mail\\", "C:\\Mail"},
        {"only one is dropped", "C:\\Mail\\\\", "C:\\Mail\\"},
        {"no backslash", "C:\\Mail", "C:\\Mail"},
        {"trail byte is not dropped", "C:\\" + kHyou, "C:\\" + kHyou},
        {"after a double-byte char", "C:\\" + kSo + "\\", "C:\\" + kSo},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(Hex(BrowseStartFolder(c.input)), Hex(c.expected)) << c.name;
    }
}

TEST(EndsInBackslash, LooksAtTheLastCharacter) {
    EXPECT_FALSE(EndsInBackslash(""));
    EXPECT_TRUE(EndsInBackslash("\\"));
    EXPECT_FALSE(EndsInBackslash(kHyou));
    EXPECT_TRUE(EndsInBackslash(kHyou + "\\"));
    // The lead byte pairs with the 0x5C after it, wherever it stands.
    EXPECT_FALSE(EndsInBackslash("a" + kSo));
    EXPECT_TRUE(EndsInBackslash("\xB1\\"));  // half-width kana is single-byte
}

struct CutCase {
    const char* name;
    std::string input;
    size_t limit;
    std::string expected;
};

TEST(CutToCharacters, NeverEndsInHalfACharacter) {
    const std::string ascii254(254, 'x');
    const std::string ascii253(253, 'x');
    const CutCase cases[] = {
        {"short text unchanged", "abc", 254, "abc"},
        {"empty", "", 254, ""},
        {"exactly the limit", ascii254, 254, ascii254},
        {"one over is cut", ascii254 + "y", 254, ascii254},
        {"double-byte straddling the limit", ascii253 + kA, 254, ascii253},
        {"double-byte ending at the limit", ascii253 + "x" + kA, 256, ascii253 + "x" + kA},
        {"lone lead byte at the end", "ab\x82", 254, "ab"},
        {"lone lead byte alone", "\x95", 254, ""},
        {"trail 0x5C kept with its lead", "a" + kHyou + "b", 3, "a" + kHyou},
        {"zero limit", "abc", 0, ""},
    };
    for (const CutCase& c : cases) {
        EXPECT_EQ(Hex(CutToCharacters(c.input, c.limit)), Hex(c.expected)) << c.name;
    }
}

TEST(CutToCharacters, LongDoubleByteTextsFitBothLimits) {
    std::string text;
    for (int i = 0; i < 600; ++i) text += kA;
    EXPECT_EQ(CutToCharacters(text, kFormatSeparatorLimit).size(), 254u);
    EXPECT_EQ(CutToCharacters(text, kSettingsTextLimit).size(), 258u);
    std::string shifted = "x" + text;
    EXPECT_EQ(CutToCharacters(shifted, kFormatSeparatorLimit).size(), 253u);
    EXPECT_EQ(CutToCharacters(shifted, kSettingsTextLimit).size(), 259u);
}

TEST(ShortenInMiddle, KeepsWholeCharactersOnBothSides) {
    const std::string hyou4 = kHyou + kHyou + kHyou + kHyou;
    const CutCase cases[] = {
        {"short enough stays", "C:\\a.txt", 8, "C:\\a.txt"},
        {"half before, rest after", "abcdefghij", 6, "abc...hij"},
        {"odd keep gives the tail more", "abcdefghij", 5, "ab...hij"},
        {"nothing kept", "abcdefghij", 0, "..."},
        {"head stops before a split character", "a" + kA + "bcdefgh", 4, "a...fgh"},
        {"tail starts after a split character", "abcdefg" + kA + "h", 4, "ab...h"},
        {"0x5C trail bytes stay with their lead", hyou4, 5, kHyou + "..." + kHyou},
        {"tail never starts on a trail byte", "x" + hyou4, 4, "x..." + kHyou},
    };
    for (const CutCase& c : cases) {
        EXPECT_EQ(Hex(ShortenInMiddle(c.input, c.limit)), Hex(c.expected)) << c.name;
    }
}

TEST(ShortenToFit, KeepsTheMostThatFits) {
    const std::string path = "C:\\" + std::string(250, 'p') + kHyou + ".txt";
    struct {
        const char* name;
        size_t room;  // the longest text that fits
        std::string expected;
    } cases[] = {
        {"fits whole", 1000, path},
        {"shortened to the room", 100, ShortenInMiddle(path, 97)},
        {"nothing fits: the dots", 2, "..."},
    };
    for (const auto& c : cases) {
        std::string shown =
            ShortenToFit(path, [&](const std::string& text) { return text.size() <= c.room; });
        EXPECT_EQ(Hex(shown), Hex(c.expected)) << c.name;
    }
}

TEST(InitialFormatRadio, FallsBackToMbox) {
    const int inputs[] = {-1, 0, 102, 103, 104, 105, 106, 1001};
    const int radios[] = {103, 103, 103, 103, 104, 105, 103, 103};
    for (size_t i = 0; i < sizeof inputs / sizeof inputs[0]; ++i) {
        EXPECT_EQ(InitialFormatRadio(inputs[i]), radios[i]) << inputs[i];
    }
}

struct ReadBackCase {
    const char* name;
    int checked;
    std::string editText;
    size_t limit;
    int saveTypeBefore;
    std::string separatorBefore;
    int saveType;
    std::string separator;
};

TEST(ReadBackSaveType, FollowsTheSelectedRadio) {
    const std::string long300(300, '-');
    const ReadBackCase cases[] = {
        {"mbox empties separator", 103, "==", 254, 105, "old", 103, ""},
        {"eml empties separator", 104, "==", 254, 105, "old", 104, ""},
        {"custom takes the edit", 105, "==", 254, 103, "", 105, "=="},
        {"custom with empty edit", 105, "", 254, 105, "old", 105, ""},
        {"custom cut to 254", 105, long300, 254, 103, "", 105, std::string(254, '-')},
        {"custom cut to 259", 105, long300, 259, 103, "", 105, std::string(259, '-')},
        {"custom cut at a character", 105, std::string(253, '-') + kA, 254, 103, "", 105,
         std::string(253, '-')},
        {"custom drops a lone lead byte", 105, "--\x82", 259, 103, "", 105, "--"},
        {"no radio keeps both", 0, "==", 254, -1, "old", -1, "old"},
        {"no radio keeps a stray type", 0, "", 259, 7, "sep", 7, "sep"},
    };
    for (const ReadBackCase& c : cases) {
        int saveType = c.saveTypeBefore;
        std::string separator = c.separatorBefore;
        ReadBackSaveType(c.checked, c.editText, c.limit, saveType, separator);
        EXPECT_EQ(saveType, c.saveType) << c.name;
        EXPECT_EQ(Hex(separator), Hex(c.separator)) << c.name;
    }
}

}  // namespace
}  // namespace tessera
