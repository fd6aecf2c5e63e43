// The engine's own decoding of ISO-2022-JP and EUC-JP text, for the lines the
// host's converters are not known to map: JIS X 0212 (ESC $ ( D, EUC-JP's
// three-byte codes 0x8F ...), JIS X 0213 (ISO-2022-JP-3) and the other sets
// of ISO-2022-JP-2 (GB 2312, KS X 1001, ISO 8859-1 and 8859-7 through ESC N).
// Plain ISO-2022-JP and EUC-JP stay the host's, but for an export to UTF-8,
// which decodes all of its text here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "export/charset/CharsetLabel.h"
#include "export/charset/Utf8ToShiftJis.h"

namespace tessera {

// True when a line of `charset` text (kIso2022Jp or kEucJp) holds a code
// the host's converters are not known to map: an escape sequence beyond
// ASCII, JIS X 0201 and JIS X 0208, or an EUC-JP three-byte code.
bool NeedsOwnJisDecoding(JapaneseCharset charset, std::string_view line);

// Appends `text` in `charset` (kIso2022Jp or kEucJp) as Shift-JIS: what code
// page 932 has gets its code (a character it holds twice, the one Windows
// writes), anything else is written as `unmappable` says and counted in
// *unmapped. A line break returns ISO-2022-JP to ASCII and clears its G2 set.
// Returns false, with `out` as it was, for damaged text: an escape sequence
// not known, a code no set defines, an 8-bit byte out of place in EUC-JP;
// and, with Unmappable::kRefuse, for a character code page 932 lacks.
bool AppendJisAsShiftJis(JapaneseCharset charset, std::string_view text, Unmappable unmappable,
                         std::string& out, size_t* unmapped);

// Appends `text` in `charset` (kIso2022Jp or kEucJp) as UTF-8: every set the
// Shift-JIS decoding reads, each character as itself; a JIS X 0208 cell that
// code page 932 leaves empty becomes kReplacementCharacter, counted in
// *undefined when it is not null. Returns false, with `out` as it was, for
// damaged text (as AppendJisAsShiftJis says, but for those cells, and an
// 8-bit byte in ISO-2022-JP text that is no half-width katakana).
bool AppendJisAsUtf8(JapaneseCharset charset, std::string_view text, std::string& out,
                     size_t* undefined = nullptr);

}  // namespace tessera
