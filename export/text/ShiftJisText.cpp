#include "export/text/ShiftJisText.h"

namespace tessera {

size_t CharacterPrefix(const std::string& text, size_t limit) {
    size_t end = 0;
    while (end < text.size()) {
        size_t width = IsShiftJisLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
        if (end + width > text.size() || end + width > limit) break;
        end += width;
    }
    return end;
}

std::string CutToCharacters(const std::string& text, size_t limit) {
    return text.substr(0, CharacterPrefix(text, limit));
}

bool EndsWithCharacter(const std::string& text, char c) {
    if (text.empty() || text.back() != c) return false;
    // Only a scan from the start tells whether the last byte is a trail byte.
    size_t last = 0;
    size_t at = 0;
    while (at < text.size()) {
        last = at;
        at += IsShiftJisLeadByte(static_cast<unsigned char>(text[at])) ? 2 : 1;
    }
    return last == text.size() - 1;
}

}  // namespace tessera
