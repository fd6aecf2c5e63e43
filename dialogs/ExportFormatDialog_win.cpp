#include "dialogs/ExportFormatDialog_win.h"

#include "resources/resource.h"
#include "dialogs/DialogControls_win.h"
#include "dialogs/DialogLogic.h"
#include "dialogs/ResourceModule_win.h"

namespace tessera {

namespace {

constexpr int kSeparatorEdit = 1134;
constexpr int kConvertBox = 1000;
constexpr int kNoAttachBox = 1001;

ScreenRect ToScreenRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// The owner's window rectangle, or the work area when the owner is absent,
// hidden or minimised.
RECT ReferenceRect(HWND owner, const RECT& workArea) {
    RECT rect = workArea;
    if (!owner || !IsWindowVisible(owner) || IsIconic(owner)) return rect;
    if (!GetWindowRect(owner, &rect)) return workArea;
    return rect;
}

void CentreOverOwner(HWND dialog) {
    RECT workArea = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    RECT own = {};
    GetWindowRect(dialog, &own);
    RECT reference = ReferenceRect(GetWindow(dialog, GW_OWNER), workArea);
    ScreenPoint at = CentredPosition(ToScreenRect(reference), own.right - own.left,
                                     own.bottom - own.top, ToScreenRect(workArea));
    SetWindowPos(dialog, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

ExportFormatDialog::ExportFormatDialog(int saveType, bool convert, const std::string& separator,
                                       bool noAttach)
    : SaveType(saveType), Convert(convert), Separator(separator), NoAttach(noAttach) {}

INT_PTR ExportFormatDialog::Run(HWND parent) {
    return DialogBoxParamA(ResourceModule(), MAKEINTRESOURCEA(IDD_EXPORT_FORMAT), parent,
                           DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK ExportFormatDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
    auto* self = static_cast<ExportFormatDialog*>(DialogObject(dialog, message, lParam));
    if (!self) return FALSE;
    if (message == WM_INITDIALOG) {
        self->window_ = dialog;
        return self->OnInitDialog();
    }
    if (message != WM_COMMAND) return FALSE;
    int id = LOWORD(wParam);
    if (IsSaveType(id)) {
        OnSaveTypeRadio(dialog, id, kSeparatorEdit);
        return TRUE;
    }
    if (id == IDOK) {
        self->OnOk();
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    if (id == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

BOOL ExportFormatDialog::OnInitDialog() {
    CentreOverOwner(window_);
    CheckRadioButton(window_, kSaveTypeMbox, kSaveTypeSeparator, InitialFormatRadio(SaveType));
    if (SaveType == kSaveTypeSeparator) EnableWindow(GetDlgItem(window_, kSeparatorEdit), TRUE);
    SetDlgItemTextA(window_, kSeparatorEdit, Separator.c_str());
    CheckDlgButton(window_, kConvertBox, Convert ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(window_, kNoAttachBox, NoAttach ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

void ExportFormatDialog::OnOk() {
    ReadBackSaveType(CheckedSaveTypeRadio(window_),
                     ControlText(window_, kSeparatorEdit), kFormatSeparatorLimit, SaveType,
                     Separator);
    Convert = IsDlgButtonChecked(window_, kConvertBox) == BST_CHECKED;
    NoAttach = IsDlgButtonChecked(window_, kNoAttachBox) == BST_CHECKED;
}

}  // namespace tessera
