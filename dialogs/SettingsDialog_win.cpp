#include "dialogs/SettingsDialog_win.h"

#include "resources/resource.h"
#include "dialogs/DialogControls_win.h"
#include "dialogs/DialogLogic.h"
#include "dialogs/FolderBrowser_win.h"
#include "resources/PluginInfo.h"
#include "dialogs/ResourceModule_win.h"

namespace tessera {

namespace {

constexpr int kFolderText = 1003;
constexpr int kBrowseButton = 1002;
constexpr int kSeparatorEdit = 1134;
constexpr int kConvertBox = 1006;
constexpr int kNoAttachBox = 1001;
constexpr int kVersionText = 1007;

}  // namespace

SettingsDialog::SettingsDialog(const std::string& savePath, const std::string& separator,
                               bool convert, int saveType, bool noAttach)
    : SavePath(savePath),
      Separator(separator),
      Convert(convert),
      SaveType(saveType),
      NoAttach(noAttach) {}

INT_PTR SettingsDialog::Run(HWND parent) {
    return DialogBoxParamA(ResourceModule(), MAKEINTRESOURCEA(IDD_SETTINGS), parent, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK SettingsDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    auto* self = static_cast<SettingsDialog*>(DialogObject(dialog, message, lParam));
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
    if (id == kBrowseButton) {
        self->OnBrowse();
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

BOOL SettingsDialog::OnInitDialog() {
    SetDlgItemTextA(window_, kFolderText, SavePath.c_str());
    SetDlgItemTextA(window_, kSeparatorEdit, Separator.c_str());
    CheckDlgButton(window_, kConvertBox, Convert ? BST_CHECKED : BST_UNCHECKED);
    // A stored value outside 103..105 leaves all three clear.
    CheckRadioButton(window_, kSaveTypeMbox, kSaveTypeSeparator, SaveType);
    CheckDlgButton(window_, kNoAttachBox, NoAttach ? BST_CHECKED : BST_UNCHECKED);
    if (SaveType == kSaveTypeSeparator) EnableWindow(GetDlgItem(window_, kSeparatorEdit), TRUE);
    std::string version = std::string(kPluginTitle) + " Version " + kPluginVersion;
    SetDlgItemTextA(window_, kVersionText, version.c_str());
    return FALSE;
}

void SettingsDialog::OnBrowse() {
    std::string start = BrowseStartFolder(ControlTextCut(window_, kFolderText, kSettingsTextLimit));
    std::string folder;
    if (!BrowseForFolder(window_, start, folder)) return;
    folder = WithTrailingBackslash(CutToCharacters(folder, kSettingsTextLimit));
    SetDlgItemTextA(window_, kFolderText, folder.c_str());
}

void SettingsDialog::OnOk() {
    SavePath = WithTrailingBackslash(ControlTextCut(window_, kFolderText, kSettingsTextLimit));
    ReadBackSaveType(CheckedSaveTypeRadio(window_), ControlText(window_, kSeparatorEdit),
                     kSettingsTextLimit, SaveType, Separator);
    Convert = IsDlgButtonChecked(window_, kConvertBox) == BST_CHECKED;
    NoAttach = IsDlgButtonChecked(window_, kNoAttachBox) == BST_CHECKED;
}

}  // namespace tessera
