// The engine's scans for a byte, a line end and the end of a text. The Windows
// C runtime scans one byte at a step; these read sixteen wherever SSE2 is there
// (every CPU the plug-in runs on), so both builds scan at the same pace.
#pragma once

#include <cstddef>

namespace tessera {

// The first `byte` in [from, end), or null.
const char* FindByte(const char* from, const char* end, char byte);
// The first CR or LF in [from, end), or null.
const char* FindLineBreak(const char* from, const char* end);
// The length of a NUL-terminated text.
size_t TextLength(const char* text);
// The length of a NUL-terminated text, or `limit` when no NUL comes before it.
size_t TextLengthWithin(const char* text, size_t limit);

}  // namespace tessera
