// The engine's scans for a byte, a line end and the end of a text: the one
// place they are made. The Windows C runtime scans one byte at a step; there
// these read sixteen with SSE2 (every CPU the plug-in runs on), elsewhere they
// are the C library's own, which are faster still; a CR or LF is looked for
// sixteen bytes at a step everywhere.
#pragma once

#include <cstddef>

namespace tessera {

// The first `byte` in [from, end), or null.
const char* FindByte(const char* from, const char* end, char byte);
// The first `byte` or NUL in [from, end), or null: a line's end and whether
// the text holds a NUL, in one reading.
const char* FindByteOrNul(const char* from, const char* end, char byte);
// The first CR or LF in [from, end), or null.
const char* FindLineBreak(const char* from, const char* end);
// True when [from, end) holds `byte` or a byte above 0x7F.
bool HoldsByteOrEightBit(const char* from, const char* end, char byte);
// The length of a NUL-terminated text.
size_t TextLength(const char* text);
// The length of a NUL-terminated text, or `limit` when no NUL comes before it.
size_t TextLengthWithin(const char* text, size_t limit);

}  // namespace tessera
