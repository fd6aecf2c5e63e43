#include "export/charset/CharsetLabel.h"

#include <cstdint>
#include <cstring>

#include "export/charset/internal/Cp932Table.h"
#include "export/text/AsciiText.h"

namespace tessera {

namespace {

struct LabelEntry {
    const char* name;
    JapaneseCharset charset;
};

const LabelEntry kLabels[] = {
    {"iso-2022-jp", JapaneseCharset::kIso2022Jp},
    {"csiso2022jp", JapaneseCharset::kIso2022Jp},
    // Supersets: the engine decodes the lines in their other sets itself.
    {"iso-2022-jp-1", JapaneseCharset::kIso2022Jp},
    {"iso-2022-jp-2", JapaneseCharset::kIso2022Jp},
    {"csiso2022jp2", JapaneseCharset::kIso2022Jp},
    {"iso-2022-jp-3", JapaneseCharset::kIso2022Jp},
    {"iso-2022-jp-2004", JapaneseCharset::kIso2022Jp},
    {"euc-jp", JapaneseCharset::kEucJp},
    {"eucjp", JapaneseCharset::kEucJp},
    {"x-euc-jp", JapaneseCharset::kEucJp},
    {"cseucpkdfmtjapanese", JapaneseCharset::kEucJp},
    {"eucjp-ms", JapaneseCharset::kEucJp},
    {"euc-jp-ms", JapaneseCharset::kEucJp},
    {"shift_jis", JapaneseCharset::kShiftJis},
    {"shift-jis", JapaneseCharset::kShiftJis},
    {"sjis", JapaneseCharset::kShiftJis},
    {"x-sjis", JapaneseCharset::kShiftJis},
    {"ms_kanji", JapaneseCharset::kShiftJis},
    {"csshiftjis", JapaneseCharset::kShiftJis},
    {"windows-31j", JapaneseCharset::kShiftJis},
    {"cswindows31j", JapaneseCharset::kShiftJis},
    {"cp932", JapaneseCharset::kShiftJis},
    {"ms932", JapaneseCharset::kShiftJis},
    {"x-ms-cp932", JapaneseCharset::kShiftJis},
    {"utf-8", JapaneseCharset::kUtf8},
    {"utf8", JapaneseCharset::kUtf8},
};

const char* const kUsAsciiLabels[] = {"us-ascii", "ascii", "ansi_x3.4-1968", "csascii"};

// A label without the blanks and quotes around it.
std::string_view TrimLabel(std::string_view name) {
    const auto around = [](char c) { return IsBlank(c) || c == '"' || c == '\''; };
    size_t first = 0;
    while (first < name.size() && around(name[first])) ++first;
    size_t last = name.size();
    while (last > first && around(name[last - 1])) --last;
    return name.substr(first, last - first);
}

// What a byte of Shift-JIS text is, for measuring it.
enum ByteClass : uint8_t { kPlain, kYenOrOverline, kKana, kJisLead, kExtensionLead, kNoCharacter };

struct ByteClassTable {
    uint8_t value[256];
    constexpr ByteClassTable() : value() {
        for (int c = 0; c < 256; ++c) {
            if (c < 0x80) {
                value[c] = (c == 0x5C || c == 0x7E) ? kYenOrOverline : kPlain;
            } else if (c >= 0xA1 && c <= 0xDF) {
                value[c] = kKana;
            } else if ((c >= 0x81 && c <= 0x84) || (c >= 0x88 && c <= 0x9F) ||
                       (c >= 0xE0 && c <= 0xEA)) {
                value[c] = kJisLead;  // rows of JIS X 0208
            } else if ((c >= 0x85 && c <= 0x87) || (c >= 0xEB && c <= 0xFC)) {
                value[c] = kExtensionLead;  // NEC row 13, IBM extensions, user-defined area
            } else {
                value[c] = kNoCharacter;
            }
        }
    }
};

constexpr ByteClassTable kByteClass;

// Whether a word of 7-bit bytes holds the byte `b`.
bool HasByte(uint64_t word, unsigned char b) {
    const uint64_t x = word ^ (0x0101010101010101ull * b);
    return ((x - 0x0101010101010101ull) & ~x & 0x8080808080808080ull) != 0;
}

}  // namespace

JapaneseCharset IdentifyJapaneseCharset(std::string_view name) {
    const std::string_view trimmed = TrimLabel(name);
    for (const LabelEntry& entry : kLabels) {
        if (EqualsIgnoreCase(trimmed, entry.name)) return entry.charset;
    }
    return JapaneseCharset::kNone;
}

bool IsUsAsciiLabel(std::string_view name) {
    const std::string_view trimmed = TrimLabel(name);
    for (const char* label : kUsAsciiLabels) {
        if (EqualsIgnoreCase(trimmed, label)) return true;
    }
    return false;
}

ShiftJisRepertoire MeasureShiftJis(std::string_view text) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* const end = p + text.size();
    bool eightBit = false;
    bool extended = false;  // beyond what Shift_JIS readers all read alike
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            // Long 7-bit runs eight bytes at a time: one test for the high bits
            // and, until one is found, one for a yen sign or overline.
            while (end - p >= 8) {
                uint64_t word;
                std::memcpy(&word, p, sizeof word);
                if (word & 0x8080808080808080ull) break;
                if (!extended) extended = HasByte(word, 0x5C) || HasByte(word, 0x7E);
                p += 8;
            }
            if (p < end && *p < 0x80) {
                extended |= *p == 0x5C || *p == 0x7E;
                ++p;
            }
            continue;
        }
        eightBit = true;
        const uint8_t kind = kByteClass.value[c];
        if (kind == kKana) {
            ++p;
            continue;
        }
        if (kind == kNoCharacter || end - p < 2 || !IsCp932DoubleByte(c, p[1])) {
            return ShiftJisRepertoire::kInvalid;
        }
        extended |= kind == kExtensionLead;
        p += 2;
    }
    return RepertoireOf(eightBit, extended);
}

const char* ShiftJisLabel(ShiftJisRepertoire repertoire) {
    switch (repertoire) {
        case ShiftJisRepertoire::kAscii:
        case ShiftJisRepertoire::kJisX0208:
            return "Shift_JIS";
        case ShiftJisRepertoire::kCp932:
            return "MS932";
        case ShiftJisRepertoire::kInvalid:
            break;
    }
    return nullptr;
}

bool LabelReadsExactly(std::string_view label, ShiftJisRepertoire repertoire) {
    const std::string_view trimmed = TrimLabel(label);
    if (repertoire == ShiftJisRepertoire::kInvalid) return false;
    if (EqualsIgnoreCase(trimmed, "ms932")) return true;
    return EqualsIgnoreCase(trimmed, "shift_jis") && repertoire <= ShiftJisRepertoire::kJisX0208;
}

}  // namespace tessera
