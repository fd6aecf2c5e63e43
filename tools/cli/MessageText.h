// The plug-in's message texts, shown on a terminal in the terminal's own encoding.
#pragma once

#include <string>

namespace tessera {

// The plug-in's text of `textId` in the language shown (CliText.h): in Japanese
// its string-table text recoded for the locale's character set (UTF-8 when the
// locale names none or plain ASCII; characters that cannot be recoded become
// '?'), else its English. Empty for an unknown id.
std::string MessageText(int textId);

}  // namespace tessera
