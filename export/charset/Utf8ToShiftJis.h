// UTF-8 text to Shift-JIS with code page 932's mapping (plus the JIS X 0208
// variants other systems use), the plug-in's own conversion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "export/charset/CharsetLabel.h"

namespace tessera {

// What a character without a Shift-JIS code becomes.
enum class Unmappable {
    kReference,   // "&#NNNNN;" (decimal), as browsers send forms in Shift_JIS
    kUnderscore,  // "_" (file names)
    kRefuse,      // the conversion fails (address fields keep the text as it came)
};

// True when `text` is well-formed UTF-8: no overlong forms, no surrogates,
// nothing beyond U+10FFFF, no cut-off sequences or stray continuation bytes.
bool IsWellFormedUtf8(std::string_view text);

// Decodes the sequence at p[0..avail) that starts with a byte of 0x80 or above.
// Returns its length (the character in `point`), or 0 when it is not well-formed.
size_t DecodeUtf8Sequence(const unsigned char* p, size_t avail, uint32_t& point);

// Appends `utf8` as Shift-JIS to `out`. A kana followed by a combining voiced
// or semi-voiced mark is written as the composed kana when code page 932 holds
// it. Characters without a code are written as `unmappable` says and counted
// in *unmapped when it is not null; *repertoire, when not null, is set to what
// MeasureShiftJis would say of the text written. Returns false, with `out` as
// it was, when the text is not well-formed UTF-8.
bool AppendUtf8AsShiftJis(std::string_view utf8, Unmappable unmappable, std::string& out,
                          size_t* unmapped = nullptr, ShiftJisRepertoire* repertoire = nullptr);

// Appends the character `point` as Shift-JIS (code page 932's code, or as
// `unmappable` says); returns false when it had no code.
bool AppendCharacterAsShiftJis(uint32_t point, Unmappable unmappable, std::string& out);

}  // namespace tessera
