// ASCII text rules that do not depend on the C library's locale: mail
// headers, charset names and file names compare their ASCII letters only.
#pragma once

#include <cstddef>
#include <string>

namespace tessera {

inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerAscii(std::string text);

// True when the `length` bytes at `a` and `b` are equal, ASCII case ignored.
bool EqualBytesIgnoreCase(const char* a, const char* b, size_t length);

// True when the NUL-terminated texts are equal, ASCII case ignored.
bool EqualsIgnoreCase(const char* a, const char* b);
bool EqualsIgnoreCase(const std::string& a, const std::string& b);

// True when `text` (of `length` bytes) starts with the NUL-terminated `prefix`, case ignored.
bool StartsWithIgnoreCase(const char* text, size_t length, const char* prefix);

}  // namespace tessera
