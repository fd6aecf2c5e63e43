#include "settings/DialogLogic.h"

#include "export/FileNaming.h"

namespace tessera {

namespace {

// Moves one edge pair into [low, high]; the low edge wins when both overflow.
int ClampInto(int start, int size, int low, int high) {
    if (start + size > high) start = high - size;
    if (start < low) start = low;
    return start;
}

// Length of the longest prefix of `text` that is at most `limit` bytes and
// ends on a character boundary (never after a lone lead byte).
size_t CharacterPrefix(const std::string& text, size_t limit) {
    size_t end = 0;
    while (end < text.size()) {
        size_t width = IsShiftJisLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
        if (end + width > text.size() || end + width > limit) break;
        end += width;
    }
    return end;
}

}  // namespace

ScreenPoint CentredPosition(const ScreenRect& reference, int width, int height,
                            const ScreenRect& workArea) {
    int x = (reference.left + reference.right) / 2 - width / 2;
    int y = (reference.top + reference.bottom) / 2 - height / 2;
    return {ClampInto(x, width, workArea.left, workArea.right),
            ClampInto(y, height, workArea.top, workArea.bottom)};
}

bool EndsInBackslash(const std::string& text) {
    if (text.empty() || text.back() != '\\') return false;
    // Only a scan from the start tells whether the 0x5C is a trail byte.
    size_t last = 0;
    size_t at = 0;
    while (at < text.size()) {
        last = at;
        at += IsShiftJisLeadByte(static_cast<unsigned char>(text[at])) ? 2 : 1;
    }
    return last == text.size() - 1;
}

std::string WithTrailingBackslash(const std::string& path) {
    if (path.empty() || EndsInBackslash(path)) return path;
    return path + '\\';
}

std::string BrowseStartFolder(const std::string& path) {
    if (path.size() <= 3 || !EndsInBackslash(path)) return path;
    return path.substr(0, path.size() - 1);
}

std::string CutToCharacters(const std::string& text, size_t limit) {
    return text.substr(0, CharacterPrefix(text, limit));
}

bool IsSaveType(int saveType) {
    return saveType >= kSaveTypeMbox && saveType <= kSaveTypeSeparator;
}

int InitialFormatRadio(int saveType) {
    return IsSaveType(saveType) ? saveType : kSaveTypeMbox;
}

void ReadBackSaveType(int checkedRadio, const std::string& editText, size_t limit,
                      int& saveType, std::string& separator) {
    if (!IsSaveType(checkedRadio)) return;
    saveType = checkedRadio;
    separator = checkedRadio == kSaveTypeSeparator ? CutToCharacters(editText, limit) : std::string();
}

}  // namespace tessera
