#include "export/AsciiText.h"

#include <cstring>

namespace tessera {

std::string LowerAscii(std::string text) {
    for (char& c : text) c = LowerAscii(c);
    return text;
}

bool EqualBytesIgnoreCase(const char* a, const char* b, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

bool EqualsIgnoreCase(const char* a, const char* b) {
    size_t length = std::strlen(a);
    return length == std::strlen(b) && EqualBytesIgnoreCase(a, b, length);
}

bool EqualsIgnoreCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && EqualBytesIgnoreCase(a.data(), b.data(), a.size());
}

bool StartsWithIgnoreCase(const char* text, size_t length, const char* prefix) {
    size_t prefixLength = std::strlen(prefix);
    return length >= prefixLength && EqualBytesIgnoreCase(text, prefix, prefixLength);
}

}  // namespace tessera
