#pragma once

#include <string>
#include <string_view>

namespace tessera {

// Decodes the base64 text of one encoded word (no white space) and appends
// the bytes to out. Padding is lenient: any run of '=' may end the text,
// missing padding is fine. Returns false, leaving out unchanged, on a byte
// outside the alphabet, data after '=', or a lone 6-bit group at the end.
bool AppendBase64Decoded(std::string_view text, std::string& out);

}  // namespace tessera
