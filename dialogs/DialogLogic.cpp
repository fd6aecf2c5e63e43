#include "dialogs/DialogLogic.h"

#include "export/text/ShiftJisText.h"

namespace tessera {

namespace {

// Moves one edge pair into [low, high]; the low edge wins when both overflow.
int ClampInto(int start, int size, int low, int high) {
    if (start + size > high) start = high - size;
    if (start < low) start = low;
    return start;
}

// Offset of the first character of `text` that starts at or after `from`.
size_t CharacterStartFrom(const std::string& text, size_t from) {
    size_t at = 0;
    while (at < from) at += IsShiftJisLeadByte(static_cast<unsigned char>(text[at])) ? 2 : 1;
    return at < text.size() ? at : text.size();
}

}  // namespace

ScreenPoint CentredPosition(const ScreenRect& reference, int width, int height,
                            const ScreenRect& workArea) {
    int x = (reference.left + reference.right) / 2 - width / 2;
    int y = (reference.top + reference.bottom) / 2 - height / 2;
    return {ClampInto(x, width, workArea.left, workArea.right),
            ClampInto(y, height, workArea.top, workArea.bottom)};
}

ScreenPoint PositionInside(const ScreenRect& window, const ScreenRect& workArea) {
    return {ClampInto(window.left, window.right - window.left, workArea.left, workArea.right),
            ClampInto(window.top, window.bottom - window.top, workArea.top, workArea.bottom)};
}

int TextBoxRoom(int boxHeight, int dialogHeight, int workHeight) {
    return workHeight > dialogHeight ? boxHeight + (workHeight - dialogHeight) : boxHeight;
}

std::string ShortenInMiddle(const std::string& text, size_t keep) {
    if (text.size() <= keep) return text;
    size_t head = CharacterPrefix(text, keep / 2);
    size_t tail = CharacterStartFrom(text, text.size() - (keep - head));
    return text.substr(0, head) + "..." + text.substr(tail);
}

std::string ShortenToFit(const std::string& text,
                         const std::function<bool(const std::string&)>& fits) {
    if (fits(text)) return text;
    // The most bytes kept that still fit: more kept never takes less room.
    size_t low = 0;
    size_t high = text.size();  // `high` bytes are known not to fit
    while (high - low > 1) {
        size_t middle = low + (high - low) / 2;
        if (fits(ShortenInMiddle(text, middle))) {
            low = middle;
        } else {
            high = middle;
        }
    }
    return ShortenInMiddle(text, low);
}

int InitialFormatRadio(int saveType) { return IsSaveType(saveType) ? saveType : kSaveTypeMbox; }

void ReadBackSaveType(int checkedRadio, const std::string& editText, size_t limit, int& saveType,
                      std::string& separator) {
    if (!IsSaveType(checkedRadio)) return;
    saveType = checkedRadio;
    separator =
        checkedRadio == kSaveTypeSeparator ? CutToCharacters(editText, limit) : std::string();
}

}  // namespace tessera
