#include "dialogs/DialogLogic.h"

#include "export/ShiftJisText.h"

namespace tessera {

namespace {

// Moves one edge pair into [low, high]; the low edge wins when both overflow.
int ClampInto(int start, int size, int low, int high) {
    if (start + size > high) start = high - size;
    if (start < low) start = low;
    return start;
}

}  // namespace

ScreenPoint CentredPosition(const ScreenRect& reference, int width, int height,
                            const ScreenRect& workArea) {
    int x = (reference.left + reference.right) / 2 - width / 2;
    int y = (reference.top + reference.bottom) / 2 - height / 2;
    return {ClampInto(x, width, workArea.left, workArea.right),
            ClampInto(y, height, workArea.top, workArea.bottom)};
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
