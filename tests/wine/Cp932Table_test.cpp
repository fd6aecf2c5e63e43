// The plug-in's own UTF-8 conversion against code page 932 as Wine's
// WideCharToMultiByte writes it, for every character of the BMP.
#include <windows.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "export/charset/Utf8ToShiftJis.h"
#include "platform/LocaleText.h"
#include "tests/support/HexBytes.h"

namespace {

using tessera::testing::Hex;

std::string Utf8(unsigned point) {
    std::string out;
    if (point < 0x800) {
        out += static_cast<char>(0xC0 | (point >> 6));
    } else {
        out += static_cast<char>(0xE0 | (point >> 12));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (point & 0x3F));
    return out;
}

// What code page 932 writes for `point` without a best-fit guess; empty when it has none.
std::string Windows932(unsigned point) {
    const WCHAR wide = static_cast<WCHAR>(point);
    char bytes[4];
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes, sizeof bytes,
                                      nullptr, &usedDefault);
    return n > 0 && !usedDefault ? std::string(bytes, static_cast<size_t>(n)) : std::string();
}

std::string Ours(unsigned point, size_t& unmapped) {
    std::string out;
    unmapped = 0;
    tessera::AppendUtf8AsShiftJis(Utf8(point), tessera::Unmappable::kReference, out, &unmapped);
    return out;
}

TEST(Cp932Table, EveryCharacterCodePage932HoldsIsWrittenAsWindowsWritesIt) {
    // Written on purpose though code page 932 has no code for them: the JIS forms.
    const std::set<unsigned> variants = {0x301C, 0x2016, 0x2212, 0x2014, 0xA2, 0xA3, 0xAC};
    // Held by code page 932 but left out on purpose: the lone bytes 0x80, 0xA0, 0xFD-0xFF.
    const std::set<unsigned> leftOut = {0x80, 0xF8F0, 0xF8F1, 0xF8F2, 0xF8F3};
    std::vector<std::string> differences;
    size_t held = 0;
    for (unsigned point = 0x80; point <= 0xFFFF; ++point) {
        if (point >= 0xD800 && point <= 0xDFFF) continue;
        const std::string windows = Windows932(point);
        size_t unmapped = 0;
        const std::string ours = Ours(point, unmapped);
        held += windows.empty() ? 0 : 1;
        const bool expectHeld =
            (!windows.empty() && leftOut.count(point) == 0) || variants.count(point) != 0;
        const bool same = windows.empty() || leftOut.count(point) != 0 || ours == windows;
        if ((unmapped == 0) != expectHeld || !same) {
            char line[64];
            std::snprintf(line, sizeof line, "U+%04X ours %zu bytes, Windows %zu bytes", point,
                          ours.size(), windows.size());
            differences.push_back(line);
        }
    }
    EXPECT_GT(held, 9000u);
    EXPECT_TRUE(differences.empty())
        << differences.size() << " differences, first: " << differences.front();
}

TEST(Cp932Table, JisFormsGetTheCodesOfTheirWindowsForms) {
    const unsigned pairs[][2] = {{0x301C, 0xFF5E}, {0x2016, 0x2225}, {0x2212, 0xFF0D},
                                 {0x2014, 0x2015}, {0xA2, 0xFFE0},   {0xA3, 0xFFE1},
                                 {0xAC, 0xFFE2}};
    for (const auto& pair : pairs) {
        size_t unmapped = 0;
        EXPECT_EQ(Ours(pair[0], unmapped), Windows932(pair[1])) << pair[0];
    }
}

// Recoded names get no best-fit look-alike: "／" and "：" are no path's '/' or ':'.
TEST(TextRecoder, NoLookAlikeForWhatTheCodePageLacks) {
    tessera::TextRecoder to1252(tessera::TextRecoder::From::ShiftJis, "CP1252");
    ASSERT_TRUE(to1252.Usable());
    EXPECT_EQ(to1252.Recode("a\x81\x5E"
                            "b\x81\x46"
                            "c\x82\xA0",
                            '_'),
              "a_b_c_");
}

}  // namespace
