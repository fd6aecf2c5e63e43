// Charset labels: which Japanese charset a MIME label names, and which
// Shift-JIS label readers decode a given text with exactly.
#pragma once

#include <string_view>

namespace tessera {

enum class JapaneseCharset { kNone, kIso2022Jp, kEucJp, kShiftJis, kUtf8 };

// The Japanese charset a MIME charset name stands for (ASCII case ignored,
// surrounding blanks and quotes allowed); kNone for any other name.
JapaneseCharset IdentifyJapaneseCharset(std::string_view name);

// True for the names of US-ASCII, a label that software writes when it knows
// nothing better; such text is sniffed like unlabelled text.
bool IsUsAsciiLabel(std::string_view name);

// What Shift-JIS text asks of a reader, from least to most.
enum class ShiftJisRepertoire {
    kAscii,     // 7-bit only (needs no label)
    kJisX0208,  // ASCII without '\' and '~', half-width katakana, JIS X 0208
    kCp932,     // also '\', '~', NEC row 13, the IBM extensions, the user-defined area
    kInvalid,   // bytes code page 932 does not decode
};

// The repertoire of valid Shift-JIS text that holds 8-bit bytes or not, and
// anything beyond what all Shift_JIS readers read alike ('\', '~', CP932 codes).
inline ShiftJisRepertoire RepertoireOf(bool eightBit, bool extended) {
    if (!eightBit) return ShiftJisRepertoire::kAscii;
    return extended ? ShiftJisRepertoire::kCp932 : ShiftJisRepertoire::kJisX0208;
}

// Measures `text` as code page 932 text.
ShiftJisRepertoire MeasureShiftJis(std::string_view text);

// The label that Python's email, glibc iconv (mutt) and the WHATWG Encoding
// Standard (browsers, Thunderbird) all decode text of `repertoire` with exactly
// (measured by scripts/measure_charset_labels.py): "Shift_JIS" up to
// kJisX0208, "MS932" for kCp932 (glibc reads 0x5C and 0x7E in Shift_JIS as
// YEN SIGN and OVERLINE; Python's shift_jis lacks the Windows extensions;
// "CP932" is no WHATWG label and "Windows-31J" unknown to Python). Null for kInvalid.
const char* ShiftJisLabel(ShiftJisRepertoire repertoire);

// True when all three readers decode text of `repertoire` exactly under
// `label`: "MS932" for any valid text, "Shift_JIS" up to kJisX0208.
bool LabelReadsExactly(std::string_view label, ShiftJisRepertoire repertoire);

}  // namespace tessera
