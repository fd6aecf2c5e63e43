#include "export/mime/LineReader.h"

#include <cstring>

#include "export/text/ByteScan.h"

namespace tessera {

std::string_view SourceLineBreak(const char* text, const char* end) {
    const char* at = FindLineBreak(text, end);
    if (at == nullptr || (*at == '\r' && at + 1 != end && at[1] == '\n')) return "\r\n";
    return *at == '\n' ? "\n" : "\r";
}

const char* FirstEmptyLine(const char* cursor, const char* end) {
    const char* start = cursor;
    LineSpan line;
    while (NextLine(cursor, end, kMaxLineBytes, line)) {
        if (line.length == 0) return start;
        start = cursor;
    }
    return end;
}

size_t ReadLine(const char*& cursor, char* buffer, size_t size) {
    if (size == 0) return 0;
    buffer[0] = '\0';
    if (size < 2 || *cursor == '\0') return 0;
    const size_t limit = size - 1;
    // Two bytes beyond the piece are enough to see a CR LF that follows it.
    const char* end = cursor + TextLengthWithin(cursor, limit + 2);
    LineSpan line;
    NextLine(cursor, end, limit, line);
    std::memcpy(buffer, line.data, line.length);
    size_t stored = line.length;
    if (line.hadBreak && stored < limit) buffer[stored++] = '\n';
    buffer[stored] = '\0';
    return stored;
}

}  // namespace tessera
