// The plug-in's message texts, as its string table holds them: Shift-JIS.
#pragma once

#include <string>

namespace tessera {

// The Shift-JIS text of a message-table id; empty for an unknown id.
std::string ShiftJisMessageText(int textId);

}  // namespace tessera
