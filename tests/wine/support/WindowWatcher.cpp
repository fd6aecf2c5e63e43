#include "tests/wine/support/WindowWatcher.h"

#include <cstdio>

namespace tessera::testing {

namespace {

BOOL CALLBACK CollectChild(HWND child, LPARAM data) {
    SeenDialog& seen = *reinterpret_cast<SeenDialog*>(data);
    char text[2048] = {}, cls[32] = {};
    GetWindowTextA(child, text, sizeof text);
    GetClassNameA(child, cls, sizeof cls);
    seen.texts.push_back(text);
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if (lstrcmpiA(cls, "Button") == 0) ++seen.buttons;
    if (lstrcmpiA(cls, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
        seen.icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    }
    return TRUE;
}

BOOL CALLBACK PrintWindow(HWND window, LPARAM) {
    char cls[64] = {}, text[128] = {};
    GetClassNameA(window, cls, sizeof cls);
    // Not GetWindowTextA: it would wait on a thread that may be waiting on us.
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 100, nullptr);
    std::fprintf(stderr, "  window class=%s text=%s\n", cls, text);
    return TRUE;
}

struct OwnSearch {
    const std::string* caption;
    bool dialogsOnly;
    HWND found = nullptr;
};

BOOL CALLBACK FindOwn(HWND window, LPARAM data) {
    OwnSearch& search = *reinterpret_cast<OwnSearch*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char cls[16] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (process != GetCurrentProcessId()) return TRUE;
    if (search.dialogsOnly && lstrcmpA(cls, "#32770") != 0) return TRUE;
    // The stored caption: no message to a thread that may be busy.
    wchar_t wide[256] = {};
    InternalGetWindowText(window, wide, 256);
    char caption[512] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, caption, sizeof caption, nullptr, nullptr);
    if (*search.caption != caption) return TRUE;
    search.found = window;
    return FALSE;
}

// A window of this process titled `caption`, dialogs first: tests run side by
// side, and another process's box must not be answered for ours.
HWND FindOwnWindow(const std::string& caption) {
    OwnSearch dialogs{&caption, true};
    EnumWindows(FindOwn, reinterpret_cast<LPARAM>(&dialogs));
    if (dialogs.found) return dialogs.found;
    OwnSearch any{&caption, false};
    EnumWindows(FindOwn, reinterpret_cast<LPARAM>(&any));
    return any.found;
}

}  // namespace

WindowWatcher::WindowWatcher(const std::string& caption, int answer, DWORD timeoutMs) {
    thread_ = std::thread([this, caption, answer, timeoutMs] {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < timeoutMs) {
            HWND dialog = FindOwnWindow(caption);
            if (dialog) {
                seen_.found = true;
                seen_.caption = caption;
                seen_.owner = GetWindow(dialog, GW_OWNER);
                EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&seen_));
                // A message box may still be setting up: post until it is gone.
                for (int i = 0; i < 100 && IsWindow(dialog); ++i) {
                    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
                    Sleep(50);
                }
                return;
            }
            Sleep(20);
        }
        std::fprintf(stderr, "watcher: no window titled the expected caption\n");
        EnumWindows(PrintWindow, 0);
    });
}

WindowWatcher::~WindowWatcher() { Result(); }

const SeenDialog& WindowWatcher::Result() {
    if (!joined_ && thread_.joinable()) thread_.join();
    joined_ = true;
    return seen_;
}

}  // namespace tessera::testing
