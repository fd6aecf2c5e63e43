// The plug-in's message texts (its string table holds them in Shift-JIS),
// shown on a terminal in the terminal's own encoding.
#pragma once

#include <string>

namespace tessera {

// The Shift-JIS text of a message-table id; empty for an unknown id.
std::string ShiftJisMessageText(int textId);

// Shift-JIS bytes recoded for the current locale's character set (UTF-8 when
// the locale names none or plain ASCII). Bytes that cannot be recoded become '?'.
std::string ToTerminalEncoding(const std::string& shiftJis);

}  // namespace tessera
