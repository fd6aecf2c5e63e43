#include "shell/Win32ExportPlatform.h"

#include <windows.h>

#include <string>
#include <utility>

#include "export/ShiftJisText.h"
#include "platform/LocalClock.h"
#include "dialogs/DialogLogic.h"
#include "dialogs/ExportFormatDialog_win.h"
#include "dialogs/FolderBrowser_win.h"
#include "dialogs/OverwriteDialog_win.h"
#include "dialogs/ResourceModule_win.h"

namespace tessera {

namespace {

HWND OwnerOrActive(HostWindow owner) {
    return owner ? static_cast<HWND>(owner) : GetActiveWindow();
}

// The hook leaves every notification to the system.
UINT_PTR CALLBACK SaveDialogHook(HWND, UINT, WPARAM, LPARAM) { return 0; }

}  // namespace

int Win32ExportPlatform::RunFormatDialog(ExportFormat& format) {
    return ShowExportFormatDialog(GetActiveWindow(), format);
}

bool Win32ExportPlatform::ChooseSaveFile(HostWindow owner, const std::string& initialFolder,
                                         std::string& path) {
    char file[MAX_PATH] = {};
    char title[256] = {};
    // "Text File(*.txt)", "*.txt", "全てのファイル(*.*)", "*.*"
    static const char kFilter[] =
        "Text File(*.txt)\0*.txt\0\x91S\x82\xC4\x82\xCC\x83t\x83@\x83" "C\x83\x8B(*.*)\0*.*\0";
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = OwnerOrActive(owner);
    ofn.lpstrFilter = kFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrFileTitle = title;
    ofn.nMaxFileTitle = sizeof title;
    ofn.lpstrInitialDir = initialFolder.c_str();
    ofn.lpstrDefExt = "txt";
    ofn.Flags = OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLESIZING | OFN_ENABLEHOOK;
    ofn.lpfnHook = SaveDialogHook;
    if (!GetSaveFileNameA(&ofn)) return false;
    path = file;
    return true;
}

int Win32ExportPlatform::AskOverwrite(const std::string& path) {
    return ShowOverwriteDialog(GetActiveWindow(), path) & 0xFFFF;
}

bool Win32ExportPlatform::BrowseFolder(HostWindow owner, const std::string& initialFolder,
                                       std::string& folder) {
    // The start folder is read into a MAX_PATH buffer: a longer stored path is cut.
    std::string start = CutToCharacters(initialFolder, MAX_PATH - 1);
    return ShowFolderBrowser(OwnerOrActive(owner), start, folder);
}

void Win32ExportPlatform::ShowMessage(HostWindow owner, int textId) {
    // No heap: this also tells that memory ran out.
    char text[1024] = {};
    LoadStringA(ResourceModule(), static_cast<UINT>(textId), text, sizeof text);
    // "エラー"
    MessageBoxA(static_cast<HWND>(owner), text, "\x83G\x83\x89\x81[", MB_OK | MB_ICONWARNING);
}

CalendarTime Win32ExportPlatform::LocalNow() { return tessera::LocalNow(); }

}  // namespace tessera
