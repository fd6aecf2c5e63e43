#pragma once

#include <string>
#include <string_view>

namespace tessera {

// Decodes the text of one "Q" encoded word and appends the bytes to out:
// "_" is a space, "=XX" a hex byte (either case), anything else itself.
// Returns false, leaving out unchanged, when "=" is not followed by two hex digits.
bool AppendQDecoded(std::string_view text, std::string& out);

}  // namespace tessera
