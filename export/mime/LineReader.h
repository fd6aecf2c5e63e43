#pragma once

#include <cstddef>
#include <string_view>

#include "export/text/ByteScan.h"

namespace tessera {

// Longest line piece the MIME walker stores (its line buffer is one byte larger).
constexpr size_t kMaxLineBytes = 65535;

// One line of a text: its bytes without the line break.
struct LineSpan {
    const char* data = nullptr;
    size_t length = 0;
    bool hadBreak = false;  // a CR, LF or CR LF followed the bytes and was consumed
};

// Reads the next line of [cursor, end), at most `limit` bytes of it, and moves the
// cursor past what it consumed. CR, LF and CR LF each end a line. A break that
// directly follows a full `limit`-byte piece belongs to that piece. Returns false
// only when cursor == end. `limit` must be at least 1. Inline: it runs once a line.
inline bool NextLine(const char*& cursor, const char* end, size_t limit, LineSpan& line) {
    if (cursor >= end) return false;
    const size_t available = static_cast<size_t>(end - cursor);
    const char* const window = cursor + (available < limit ? available : limit);
    const char* stop = FindLineBreak(cursor, window);
    if (stop == nullptr) stop = window;
    line.data = cursor;
    line.length = static_cast<size_t>(stop - cursor);
    line.hadBreak = stop != end && (*stop == '\n' || *stop == '\r');
    if (line.hadBreak) stop += (*stop == '\r' && stop + 1 != end && stop[1] == '\n') ? 2 : 1;
    cursor = stop;
    return true;
}

// The line break a source text uses: its first one (CR LF, LF or CR), CR LF
// when it has none. The parser ends every line in CR LF; what is written
// back byte for byte as it came (an attachment saved as a file) ends its
// lines in this instead.
std::string_view SourceLineBreak(const char* text, const char* end);

// Where the first empty line of [cursor, end) starts, as NextLine reads lines:
// the end of a header block. `end` when there is none.
const char* FirstEmptyLine(const char* cursor, const char* end);

// Reads one line at the cursor of a NUL-terminated text into buffer: at most
// size - 1 bytes and a terminator; a line break is stored as a single LF when it
// fits. Returns the number of bytes stored, 0 only at the end of the text (or
// when size < 2, where nothing fits).
size_t ReadLine(const char*& cursor, char* buffer, size_t size);

}  // namespace tessera
