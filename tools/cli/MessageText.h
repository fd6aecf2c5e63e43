// The plug-in's message texts, shown on a terminal in the terminal's own encoding.
#pragma once

#include <string>

namespace tessera {

// The string-table text of `textId` recoded for the current locale's character
// set (UTF-8 when the locale names none or plain ASCII); characters that cannot
// be recoded become '?'. Empty for an unknown id.
std::string MessageText(int textId);

}  // namespace tessera
