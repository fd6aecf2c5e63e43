// Address headers (From, To, Cc, ...) converted so that they still parse to
// the same addresses and display names: only names and comments are decoded,
// a decoded name that needs quoting is quoted, and a name or comment that
// Shift-JIS cannot hold, or whose quoted form would hold a 0x5C byte a reader
// takes for an escape, keeps its encoded words. In an export to UTF-8, a name
// or comment that holds 8-bit text is written as UTF-8 words instead.
#pragma once

#include <string>
#include <string_view>

namespace tessera {

class ShiftJisConverter;

// True when the header line is one of the headers that hold addresses.
bool IsAddressHeader(std::string_view line);

// Converts one (folded) address header line into `out`; returns whether it changed.
bool ConvertAddressHeader(std::string_view line, ShiftJisConverter& converter, std::string& out);

}  // namespace tessera
