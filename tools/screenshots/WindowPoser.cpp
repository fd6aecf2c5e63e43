#include "tools/screenshots/WindowPoser.h"

#include <cstdio>
#include <thread>

namespace tessera {

namespace {

// The script waits as long for a pose; a person may be watching.
constexpr DWORD kWaitMs = 60000;
constexpr DWORD kPollMs = 50;

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void TurnQueue() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool WaitFor(const std::function<bool()>& condition) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < kWaitMs; Sleep(kPollMs)) {
        if (condition()) return true;
        TurnQueue();
    }
    return condition();
}

bool WriteRect(const std::string& path, HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    std::fprintf(file, "%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
    return std::fclose(file) == 0;
}

struct Found {
    std::string caption;
    HWND dialog = nullptr;
};

BOOL CALLBACK FindCaptioned(HWND window, LPARAM data) {
    auto* found = reinterpret_cast<Found*>(data);
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    if (!IsWindowVisible(window) || found->caption != text) return TRUE;
    found->dialog = window;
    return FALSE;
}

}  // namespace

bool AwaitCapture(const std::string& dir, const std::string& name, HWND window) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    const std::string base = dir + "\\" + name;
    return WriteRect(base + ".rect", window) && WaitFor([&] { return Exists(base + ".done"); });
}

bool PoseDialog(const std::string& dir, const std::string& name, const std::string& caption,
                int answer, const std::function<void()>& show) {
    DWORD ui = GetCurrentThreadId();
    bool posed = false;
    std::thread poser([&] {
        Found found{caption};
        bool shown = WaitFor([&] {
            EnumThreadWindows(ui, FindCaptioned, reinterpret_cast<LPARAM>(&found));
            return found.dialog != nullptr;
        });
        if (!shown) return;
        posed = AwaitCapture(dir, name, found.dialog);
        PostMessageA(found.dialog, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    });
    show();
    poser.join();
    if (!posed) std::fprintf(stderr, "screenshots: %s was not captured\n", name.c_str());
    return posed;
}

}  // namespace tessera
