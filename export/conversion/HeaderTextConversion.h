// Header text to Shift-JIS (or to the converter's UTF-8): the RFC 2047 encoded
// words decoded and converted, by one rule for every header block the export
// converts and for file names.
#pragma once

#include <string>
#include <string_view>

#include "export/charset/Utf8ToShiftJis.h"

namespace tessera {

class ShiftJisConverter;

// Converts `text` (a folded header line, or a header value) to the converter's target into
// `out`. Encoded words in ISO-2022-JP, EUC-JP, Shift_JIS, UTF-8 and US-ASCII
// are decoded and converted; white space between two adjacent words is
// dropped, and the bytes of adjacent words in one charset are joined first,
// so that a character split between words comes out whole. Text outside the
// words is converted when it holds ISO-2022-JP escapes or 8-bit bytes that
// GuessJapaneseCharset recognises. A line break or NUL that words decode to becomes a space. A
// word that is malformed, longer than kMaxEncodedWordBytes, in another charset, or whose
// conversion fails stays as written. Returns whether `out` differs from `text`.
bool ConvertHeaderText(std::string_view text, ShiftJisConverter& converter, Unmappable unmappable,
                       std::string& out);

}  // namespace tessera
