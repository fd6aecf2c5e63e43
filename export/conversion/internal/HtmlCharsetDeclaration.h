// The charset an HTML document declares inside itself, in <meta charset=...>
// or <meta http-equiv="Content-Type" content="text/html; charset=...">.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tessera {

// Makes every charset declaration of a <meta> element in `html` name `label`
// (quotes and everything else of the element kept). Returns how many
// declarations were rewritten.
size_t RewriteHtmlCharsetDeclarations(std::string& html, std::string_view label);

}  // namespace tessera
