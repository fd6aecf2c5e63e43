// ASCII text rules that do not depend on the C library's locale: header
// names, charset labels, HTML tags and file names compare their ASCII letters
// only; Shift-JIS and UTF-8 bytes never fold.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tessera {

inline char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerAscii(std::string text);

// True when the `length` bytes at `a` and `b` are equal, ASCII case ignored.
bool EqualBytesIgnoreCase(const char* a, const char* b, size_t length);

// True when a and b are equal, ASCII case ignored.
inline bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && EqualBytesIgnoreCase(a.data(), b.data(), a.size());
}

// True when text begins with prefix, ASCII case ignored.
inline bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           EqualBytesIgnoreCase(text.data(), prefix.data(), prefix.size());
}

// Blanks of header text: space, tab and the line break.
inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// `text` without the blanks at either end.
inline std::string_view TrimBlanks(std::string_view text) {
    size_t first = 0;
    while (first < text.size() && IsBlank(text[first])) ++first;
    size_t last = text.size();
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

// Position of the first `lowerNeedle` (written in lower case) in text at or
// after `from`, ASCII case ignored; npos when there is none.
size_t FindIgnoreCase(std::string_view text, std::string_view lowerNeedle, size_t from = 0);

}  // namespace tessera
