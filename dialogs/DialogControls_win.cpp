#include "dialogs/DialogControls_win.h"

#include <vector>

#include "dialogs/DialogLogic.h"

namespace tessera {

std::string ControlText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    if (!control) return std::string();
    int length = GetWindowTextLengthA(control);
    if (length <= 0) return std::string();
    // The length may overstate the text (it can count in characters); the
    // copy's own count is what is kept.
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    int copied = GetWindowTextA(control, buffer.data(), static_cast<int>(buffer.size()));
    if (copied <= 0) return std::string();
    return std::string(buffer.data(), static_cast<size_t>(copied));
}

std::string ControlTextCut(HWND dialog, int id, size_t limit) {
    return CutToCharacters(ControlText(dialog, id), limit);
}

int CheckedSaveTypeRadio(HWND dialog) {
    for (int id = kSaveTypeMbox; id <= kSaveTypeSeparator; ++id) {
        if (IsDlgButtonChecked(dialog, id) == BST_CHECKED) return id;
    }
    return 0;
}

void OnSaveTypeRadio(HWND dialog, int radioId, int editId) {
    HWND edit = GetDlgItem(dialog, editId);
    if (radioId != kSaveTypeSeparator) {
        EnableWindow(edit, FALSE);
        return;
    }
    EnableWindow(edit, TRUE);
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
}

void* DialogObject(HWND dialog, UINT message, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        return reinterpret_cast<void*>(lParam);
    }
    return reinterpret_cast<void*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

}  // namespace tessera
