#include "dialogs/FolderBrowser_win.h"

#include <objbase.h>
#include <shlobj.h>

#include "dialogs/ResourceModule_win.h"
#include "resources/resource.h"

namespace tessera {

namespace {

int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM, LPARAM startFolder) {
    if (message == BFFM_INITIALIZED) SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, startFolder);
    return 0;
}

void FreeItemList(LPITEMIDLIST list) {
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || !allocator) return;
    allocator->Free(list);
    allocator->Release();
}

bool RunBrowser(HWND owner, const std::string& startFolder, std::string& folder) {
    std::string title = LoadText(IDS_BROWSE_TITLE);
    char display[MAX_PATH] = {};
    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.pszDisplayName = display;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(startFolder.c_str());
    LPITEMIDLIST list = SHBrowseForFolderA(&info);
    if (!list) return false;
    char path[MAX_PATH + 1] = {};
    BOOL found = SHGetPathFromIDListA(list, path);
    // Freed whether or not it names a file-system folder.
    FreeItemList(list);
    if (!found) return false;
    folder = path;
    return true;
}

}  // namespace

bool ShowFolderBrowser(HWND owner, const std::string& startFolder, std::string& folder) {
    // COM only for the browser, released only if this call started it.
    HRESULT com = CoInitialize(nullptr);
    bool picked = RunBrowser(owner, startFolder, folder);
    if (SUCCEEDED(com)) CoUninitialize();
    return picked;
}

}  // namespace tessera
