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

}  // namespace

WindowWatcher::WindowWatcher(const std::string& caption, int answer, DWORD timeoutMs) {
    thread_ = std::thread([this, caption, answer, timeoutMs] {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < timeoutMs) {
            HWND dialog = FindWindowA("#32770", caption.c_str());
            if (!dialog) dialog = FindWindowA(nullptr, caption.c_str());
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
