#include "export/text/AsciiText.h"

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

size_t FindIgnoreCase(std::string_view text, std::string_view lowerNeedle, size_t from) {
    if (lowerNeedle.empty()) return from <= text.size() ? from : std::string_view::npos;
    const char first = lowerNeedle[0];
    for (size_t i = from; i + lowerNeedle.size() <= text.size(); ++i) {
        if (LowerAscii(text[i]) != first) continue;
        if (EqualsIgnoreCase(text.substr(i, lowerNeedle.size()), lowerNeedle)) return i;
    }
    return std::string_view::npos;
}

}  // namespace tessera
