#include "tools/simhost/CommandTimer.h"

#include "resources/resource.h"

namespace tessera {

namespace {

// The dialog class, as windows are created with it.
const ATOM kDialogClass = 0x8002;
// Set by the hook, on the host's thread.
LARGE_INTEGER g_end = {};

bool IsBoxClass(LPCSTR name) {
    return IS_INTRESOURCE(name) ? LOWORD(reinterpret_cast<ULONG_PTR>(name)) == kDialogClass
                                : lstrcmpA(name, "#32770") == 0;
}

}  // namespace

CommandTimer::CommandTimer() {
    g_end.QuadPart = 0;
    QueryPerformanceCounter(&start_);
    hook_ = SetWindowsHookExA(WH_CBT, OnWindow, nullptr, GetCurrentThreadId());
}

CommandTimer::~CommandTimer() {
    if (hook_) UnhookWindowsHookEx(hook_);
}

LRESULT CALLBACK CommandTimer::OnWindow(int code, WPARAM wParam, LPARAM lParam) {
    if (g_end.QuadPart != 0) return CallNextHookEx(nullptr, code, wParam, lParam);
    if (code == HCBT_CREATEWND) {
        const CREATESTRUCTA* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
        // A box is made with its caption; the progress window's template has none.
        if (IsBoxClass(create->lpszClass) && create->lpszName && create->lpszName[0]) {
            QueryPerformanceCounter(&g_end);
        }
    } else if (code == HCBT_DESTROYWND) {
        if (GetDlgItem(reinterpret_cast<HWND>(wParam), IDC_PROGRESS_BAR)) {
            QueryPerformanceCounter(&g_end);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

double CommandTimer::Milliseconds() const {
    LARGE_INTEGER end, frequency;
    QueryPerformanceFrequency(&frequency);
    if (g_end.QuadPart != 0) {
        end = g_end;
    } else {
        QueryPerformanceCounter(&end);
    }
    return static_cast<double>(end.QuadPart - start_.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

}  // namespace tessera
