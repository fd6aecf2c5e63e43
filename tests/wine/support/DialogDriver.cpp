#include "tests/wine/support/DialogDriver.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "export/text/ShiftJisText.h"

namespace tessera::test {

namespace {

constexpr DWORD kPollMs = 10;
constexpr DWORD kGraceMs = kDriverWaitMs;

bool IsDialogClass(HWND window) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    return std::strcmp(name, "#32770") == 0;
}

BOOL CALLBACK CollectDialog(HWND window, LPARAM found) {
    if (IsDialogClass(window)) reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

HWND FindCaptioned(DWORD thread, const std::string& caption) {
    for (HWND dialog : ThreadDialogs(thread)) {
        if (IsWindowVisible(dialog) && WindowText(dialog) == caption) return dialog;
    }
    return nullptr;
}

HWND FindOther(DWORD thread, HWND except) {
    for (HWND dialog : ThreadDialogs(thread)) {
        if (dialog != except && IsWindowVisible(dialog)) return dialog;
    }
    return nullptr;
}

// Cancels what `drive` left open until `done` is set.
void CloseLeftovers(DWORD thread, const std::atomic<bool>& done) {
    if (WaitUntil([&] { return done.load(); }, kGraceMs)) return;
    ADD_FAILURE() << "a dialog was still open after the driver finished; cancelling it";
    while (!done.load()) {
        std::vector<HWND> dialogs = ThreadDialogs(thread);
        // Innermost first: a nested browser must close before its owner.
        for (auto it = dialogs.rbegin(); it != dialogs.rend(); ++it) {
            PostMessageA(*it, WM_COMMAND, IDCANCEL, 0);
        }
        Sleep(100);
    }
}

}  // namespace

std::vector<HWND> ThreadDialogs(DWORD thread) {
    std::vector<HWND> found;
    EnumThreadWindows(thread, CollectDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND WaitForDialog(DWORD thread, const std::string& caption, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindCaptioned(thread, caption)) != nullptr; }, timeoutMs);
    return found;
}

HWND WaitForOtherDialog(DWORD thread, HWND except, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindOther(thread, except)) != nullptr; }, timeoutMs);
    return found;
}

bool WaitUntilGone(HWND window, DWORD timeoutMs) {
    return WaitUntil([&] { return !IsWindow(window); }, timeoutMs);
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(kPollMs);
    }
    return true;
}

std::string WindowText(HWND window) {
    int length = static_cast<int>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    LRESULT copied =
        SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

std::string ItemText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

void SetItemText(HWND dialog, int id, const std::string& text) {
    SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool ItemEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

bool ItemChecked(HWND dialog, int id) {
    return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

LONG ItemStyle(HWND dialog, int id) { return GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE); }

HWND FocusOf(DWORD thread) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(thread, &info)) return nullptr;
    return info.hwndFocus;
}

void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void PostClick(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void PressKey(DWORD thread, HWND dialog, UINT virtualKey) {
    HWND target = FocusOf(thread);
    if (!target) target = dialog;
    UINT scan = MapVirtualKeyA(virtualKey, 0);
    PostMessageA(target, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
    PostMessageA(target, WM_KEYUP, virtualKey, 1 | (scan << 16) | 0xC0000000u);
}

void PressAlt(DWORD thread, HWND dialog, char letter) {
    HWND target = FocusOf(thread);
    if (!target) target = dialog;
    // Bit 29: the Alt key is down.
    PostMessageA(target, WM_SYSCHAR, static_cast<unsigned char>(letter), 1 | (1u << 29));
}

void PressCloseBox(HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }

INT_PTR RunDriven(const std::function<INT_PTR()>& show,
                  const std::function<void(DWORD uiThread)>& drive) {
    DWORD ui = GetCurrentThreadId();
    std::atomic<bool> done{false};
    std::thread driver([&] {
        drive(ui);
        CloseLeftovers(ui, done);
    });
    INT_PTR result = show();
    done = true;
    driver.join();
    return result;
}

static BOOL CALLBACK FindTree(HWND window, LPARAM found) {
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::string(name) != "SysTreeView32") return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// The label of the folder selected in the browser's tree.
std::string SelectedFolderLabel(HWND browser) {
    HWND tree = nullptr;
    EnumChildWindows(browser, FindTree, reinterpret_cast<LPARAM>(&tree));
    if (!tree) return std::string();
    auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!item) return std::string();
    char text[MAX_PATH] = {};
    TVITEMA info = {};
    info.mask = TVIF_TEXT;
    info.hItem = item;
    info.pszText = text;
    info.cchTextMax = sizeof text;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&info));
    return text;
}

bool SelectFolder(HWND browser, const std::string& folder, DWORD timeoutMs) {
    // The name after the last separator, found by characters: "表" ends in 0x5C.
    size_t nameStart = 0;
    for (size_t at = 0; at < folder.size();) {
        if (folder[at] == '\\') nameStart = at + 1;
        at += IsShiftJisLeadByte(static_cast<unsigned char>(folder[at])) ? 2 : 1;
    }
    const std::string label = folder.substr(nameStart);
    // A drive root ("C:\\") is shown by a label that names the drive.
    auto selected = [&] {
        std::string shown = SelectedFolderLabel(browser);
        return label.empty() ? shown.find(folder.substr(0, 2)) != std::string::npos
                             : shown == label;
    };
    DWORD start = GetTickCount();
    do {
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
        if (WaitUntil(selected, 2000)) return true;
    } while (GetTickCount() - start < timeoutMs);
    return false;
}

}  // namespace tessera::test
