// What goes between the content an append keeps and the first message it
// adds: whatever the old file ends in (a torn line from an interrupted
// writer, a message without its blank line), the new message starts on a line
// of its own, and an mbox envelope line after a blank line.
#pragma once

#include <string>

namespace tessera {

// The line ends to write after a file ending in `tail` (its last bytes, at
// most 4) before the first message of save type `saveType`.
std::string AppendLeadIn(const std::string& tail, int saveType);

}  // namespace tessera
