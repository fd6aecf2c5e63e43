// ASCII case-insensitive comparisons for protocol tokens (header names,
// charset labels, HTML tags). Byte-wise: Shift-JIS and UTF-8 bytes never fold.
#pragma once

#include <cstddef>
#include <string_view>

namespace tessera {

inline char LowerAsciiChar(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when a and b are equal, ASCII case ignored.
inline bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAsciiChar(a[i]) != LowerAsciiChar(b[i])) return false;
    }
    return true;
}

// True when text begins with prefix, ASCII case ignored.
inline bool StartsWithAsciiNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsAsciiNoCase(text.substr(0, prefix.size()), prefix);
}

// Position of the first `lowerNeedle` (written in lower case) in text at or
// after `from`, ASCII case ignored; npos when there is none.
inline size_t FindAsciiNoCase(std::string_view text, std::string_view lowerNeedle,
                              size_t from = 0) {
    if (lowerNeedle.empty()) return from <= text.size() ? from : std::string_view::npos;
    const char first = lowerNeedle[0];
    for (size_t i = from; i + lowerNeedle.size() <= text.size(); ++i) {
        if (LowerAsciiChar(text[i]) != first) continue;
        if (EqualsAsciiNoCase(text.substr(i, lowerNeedle.size()), lowerNeedle)) return i;
    }
    return std::string_view::npos;
}

}  // namespace tessera
