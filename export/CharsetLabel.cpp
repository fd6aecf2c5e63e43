#include "export/CharsetLabel.h"

#include "export/AsciiCase.h"
#include "export/Cp932Table.h"

namespace tessera {

namespace {

struct LabelEntry {
    const char* name;
    JapaneseCharset charset;
};

const LabelEntry kLabels[] = {
    {"iso-2022-jp", JapaneseCharset::kIso2022Jp},
    {"csiso2022jp", JapaneseCharset::kIso2022Jp},
    {"euc-jp", JapaneseCharset::kEucJp},
    {"eucjp", JapaneseCharset::kEucJp},
    {"x-euc-jp", JapaneseCharset::kEucJp},
    {"cseucpkdfmtjapanese", JapaneseCharset::kEucJp},
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

std::string_view Trim(std::string_view name) {
    const char* blanks = " \t\r\n\"'";
    const size_t first = name.find_first_not_of(blanks);
    if (first == std::string_view::npos) return std::string_view();
    const size_t last = name.find_last_not_of(blanks);
    return name.substr(first, last - first + 1);
}

bool IsJisX0208Lead(unsigned char lead) {
    return (lead >= 0x81 && lead <= 0x84) || (lead >= 0x88 && lead <= 0x9F) ||
           (lead >= 0xE0 && lead <= 0xEA);
}

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

}  // namespace

JapaneseCharset IdentifyJapaneseCharset(std::string_view name) {
    const std::string_view trimmed = Trim(name);
    for (const LabelEntry& entry : kLabels) {
        if (EqualsAsciiNoCase(trimmed, entry.name)) return entry.charset;
    }
    return JapaneseCharset::kNone;
}

bool IsUsAsciiLabel(std::string_view name) {
    const std::string_view trimmed = Trim(name);
    for (const char* label : kUsAsciiLabels) {
        if (EqualsAsciiNoCase(trimmed, label)) return true;
    }
    return false;
}

ShiftJisRepertoire MeasureShiftJis(std::string_view text) {
    ShiftJisRepertoire needs = ShiftJisRepertoire::kAscii;
    auto raise = [&needs](ShiftJisRepertoire r) {
        if (r > needs) needs = r;
    };
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            if (c == 0x5C || c == 0x7E) raise(ShiftJisRepertoire::kCp932);
            continue;
        }
        if (c >= 0xA1 && c <= 0xDF) {
            raise(ShiftJisRepertoire::kJisX0208);
            continue;
        }
        if (!IsLeadByte(c) || i + 1 == n || !IsCp932DoubleByte(c, p[i + 1])) {
            return ShiftJisRepertoire::kInvalid;
        }
        raise(IsJisX0208Lead(c) ? ShiftJisRepertoire::kJisX0208 : ShiftJisRepertoire::kCp932);
        ++i;
    }
    return needs;
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

}  // namespace tessera
