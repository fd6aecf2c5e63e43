#include "dialogs/SettingsDialog_win.h"

#include "dialogs/DialogControls_win.h"
#include "dialogs/DialogLogic.h"
#include "dialogs/FolderBrowser_win.h"
#include "resources/PluginInfo.h"
#include "resources/resource.h"

namespace tessera {

namespace {

BOOL OnInitDialog(HWND dialog, const ExportSettings& settings) {
    SetDlgItemTextA(dialog, IDC_SAVE_FOLDER, settings.SavePath.c_str());
    // A stored value outside 103..105 leaves all three radio buttons clear.
    ShowFormatControls(dialog, settings, settings.SaveType, IDC_SETTINGS_CONVERT);
    std::string version = std::string(kPluginTitle) + " Version " + kPluginVersion;
    SetDlgItemTextA(dialog, IDC_VERSION, version.c_str());
    return FALSE;
}

void OnBrowse(HWND dialog) {
    std::string shown = ControlTextCut(dialog, IDC_SAVE_FOLDER, kSettingsTextLimit);
    std::string folder;
    if (!ShowFolderBrowser(dialog, BrowseStartFolder(shown), folder)) return;
    folder = WithTrailingBackslash(CutToCharacters(folder, kSettingsTextLimit));
    SetDlgItemTextA(dialog, IDC_SAVE_FOLDER, folder.c_str());
}

INT_PTR CALLBACK SettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* settings = static_cast<ExportSettings*>(DialogData(dialog, message, lParam));
    if (!settings) return FALSE;
    return CancelOnException(dialog, [&]() -> INT_PTR {
        if (message == WM_INITDIALOG) return OnInitDialog(dialog, *settings);
        if (message != WM_COMMAND) return FALSE;
        int id = LOWORD(wParam);
        if (id == IDC_BROWSE) {
            OnBrowse(dialog);
            return TRUE;
        }
        if (id == IDOK) {
            settings->SavePath =
                WithTrailingBackslash(ControlTextCut(dialog, IDC_SAVE_FOLDER, kSettingsTextLimit));
        }
        return HandleFormatCommand(dialog, id, IDC_SETTINGS_CONVERT, kSettingsTextLimit, *settings);
    });
}

}  // namespace

int ShowSettingsDialog(HWND owner, ExportSettings& settings) {
    // The dialog works on a copy, so that only OK changes the caller's settings.
    ExportSettings edited = settings;
    int result = RunModalDialog(owner, IDD_SETTINGS, SettingsProc, &edited);
    if (result == IDOK) settings = edited;
    return result;
}

}  // namespace tessera
