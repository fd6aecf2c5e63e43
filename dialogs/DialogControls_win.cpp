#include "dialogs/DialogControls_win.h"

#include <vector>

#include "dialogs/ResourceModule_win.h"
#include "resources/resource.h"

namespace tessera {

// The save-type radio buttons are read back as save types.
static_assert(IDC_SAVE_MBOX == kSaveTypeMbox && IDC_SAVE_EML == kSaveTypeEml &&
                  IDC_SAVE_SEPARATOR == kSaveTypeSeparator,
              "radio ids are the save types");

namespace {

int CheckedSaveTypeRadio(HWND dialog) {
    for (int id : {IDC_SAVE_MBOX, IDC_SAVE_EML, IDC_SAVE_SEPARATOR}) {
        if (IsDlgButtonChecked(dialog, id) == BST_CHECKED) return id;
    }
    return 0;
}

void OnSaveTypeRadio(HWND dialog, int radio) {
    HWND edit = GetDlgItem(dialog, IDC_SEPARATOR);
    if (radio != IDC_SAVE_SEPARATOR) {
        EnableWindow(edit, FALSE);
        return;
    }
    EnableWindow(edit, TRUE);
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
}

void ReadFormatControls(HWND dialog, int convertBox, size_t separatorLimit, ExportFormat& format) {
    ReadBackSaveType(CheckedSaveTypeRadio(dialog), ControlText(dialog, IDC_SEPARATOR),
                     separatorLimit, format.SaveType, format.Separator);
    format.Convert = IsDlgButtonChecked(dialog, convertBox) == BST_CHECKED;
    format.NoAttach = IsDlgButtonChecked(dialog, IDC_NO_ATTACH) == BST_CHECKED;
}

}  // namespace

int RunModalDialog(HWND owner, int templateId, DLGPROC proc, void* data) {
    INT_PTR result = DialogBoxParamA(ResourceModule(), MAKEINTRESOURCEA(templateId), owner, proc,
                                     reinterpret_cast<LPARAM>(data));
    return static_cast<int>(result);
}

void* DialogData(HWND dialog, UINT message, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        return reinterpret_cast<void*>(lParam);
    }
    return reinterpret_cast<void*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

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

ScreenRect WorkArea() {
    RECT work = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return {work.left, work.top, work.right, work.bottom};
}

ScreenRect WindowRect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return {rect.left, rect.top, rect.right, rect.bottom};
}

void ShowFormatControls(HWND dialog, const ExportFormat& format, int radio, int convertBox) {
    CheckRadioButton(dialog, IDC_SAVE_MBOX, IDC_SAVE_SEPARATOR, radio);
    EnableWindow(GetDlgItem(dialog, IDC_SEPARATOR), format.SaveType == kSaveTypeSeparator);
    SetDlgItemTextA(dialog, IDC_SEPARATOR, format.Separator.c_str());
    CheckDlgButton(dialog, convertBox, format.Convert ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_NO_ATTACH, format.NoAttach ? BST_CHECKED : BST_UNCHECKED);
}

bool HandleFormatCommand(HWND dialog, int id, int convertBox, size_t separatorLimit,
                         ExportFormat& format) {
    if (IsSaveType(id)) {
        OnSaveTypeRadio(dialog, id);
        return true;
    }
    if (id == IDOK) ReadFormatControls(dialog, convertBox, separatorLimit, format);
    return EndOnOkOrCancel(dialog, id);
}

bool EndOnOkOrCancel(HWND dialog, int id) {
    if (id != IDOK && id != IDCANCEL) return false;
    EndDialog(dialog, id);
    return true;
}

}  // namespace tessera
