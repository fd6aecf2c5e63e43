#pragma once

#include <string>
#include <string_view>

namespace tessera {

// Converts ISO-2022-JP text (usually one line, CR LF included) to Shift-JIS.
// Never fails: escape sequences that are understood are removed, anything
// else passes through as bytes. Line breaks always pass through and return
// to ASCII. The output is never longer than the input.
std::string Iso2022JpToShiftJis(std::string_view text);

// Same conversion, appended to out (reuses out's capacity).
void AppendIso2022JpAsShiftJis(std::string_view text, std::string& out);

}  // namespace tessera
