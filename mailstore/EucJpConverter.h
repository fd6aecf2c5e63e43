#pragma once

#include <string>
#include <string_view>

namespace tessera {

// Converts EUC-JP text to Shift-JIS. Never fails: bytes that do not form an
// EUC-JP character (including a sequence cut off at the end) pass through
// unchanged. JIS X 0212 characters (SS3) become "〓". The output is never
// longer than the input.
std::string EucJpToShiftJis(std::string_view text);

// Same conversion, appended to out (reuses out's capacity).
void AppendEucJpAsShiftJis(std::string_view text, std::string& out);

}  // namespace tessera
