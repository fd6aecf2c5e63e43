#pragma once

#include <string>
#include <string_view>

namespace tessera {

// Decodes the RFC 2047 encoded words ("B" and "Q", any charset, RFC 2231
// "charset*language" accepted) of a header line. Decoded bytes stay in their
// own charset, so ISO-2022-JP escapes remain for the caller to convert.
// White space (CR LF and folding blanks included) between two adjacent
// encoded words is dropped and their bytes are joined, so a character split
// across words comes out whole. A malformed encoded word stays as written;
// text outside encoded words, the line break included, is kept. Never fails;
// the output is never longer than the input.
std::string DecodeMimeHeader(std::string_view text);

// Same decoding, appended to out.
void AppendDecodedMimeHeader(std::string_view text, std::string& out);

}  // namespace tessera
