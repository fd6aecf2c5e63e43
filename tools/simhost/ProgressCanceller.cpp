#include "tools/simhost/ProgressCanceller.h"

#include <chrono>

#include "host/SimulatedHost.h"
#include "resources/resource.h"

namespace tessera {

namespace {

constexpr auto kPollEvery = std::chrono::milliseconds(10);
// The host never waits longer than this for a press.
constexpr auto kPressWait = std::chrono::seconds(5);
constexpr UINT kAnswerWaitMs = 10000;

BOOL CALLBACK FindProgress(HWND window, LPARAM data) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char cls[16] = {};
    GetClassNameA(window, cls, sizeof cls);
    // Known by its bar: asking for the caption would send a message to the
    // plug-in's thread, which may be waiting on us.
    if (process != GetCurrentProcessId() || lstrcmpA(cls, "#32770") != 0 ||
        !GetDlgItem(window, IDC_PROGRESS_BAR) || !IsWindowVisible(window)) {
        return TRUE;
    }
    *reinterpret_cast<HWND*>(data) = window;
    return FALSE;
}

HWND ProgressWindow() {
    HWND found = nullptr;
    EnumWindows(FindProgress, reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

ProgressCanceller::ProgressCanceller(long cancelAfter, bool probe)
    : cancelAfter_(cancelAfter), probe_(probe && cancelAfter == 0), thread_([this] { Run(); }) {
    if (cancelAfter_ > 0) {
        SimulatedHost::Instance().SetSourceObserver([this](long index) { OnSource(index); });
    }
}

ProgressCanceller::~ProgressCanceller() {
    SimulatedHost::Instance().SetSourceObserver(nullptr);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void ProgressCanceller::OnSource(long index) {
    if (pressed_ || index + 1 < cancelAfter_) return;
    std::unique_lock<std::mutex> lock(mutex_);
    asked_ = true;
    changed_.notify_all();
    changed_.wait_for(lock, kPressWait, [this] { return !asked_ || stop_; });
    asked_ = false;
}

void ProgressCanceller::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        lock.unlock();
        HWND window = ProgressWindow();
        window_ = window;
        if (window) seen_ = true;
        if (window && probe_) Measure(window);
        lock.lock();
        if (asked_) {
            if (window) {
                // What the button sends when clicked; handled at the export's next turn of the
                // queue.
                PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(window, IDCANCEL)));
                pressed_ = true;
            }
            asked_ = false;
            changed_.notify_all();
            continue;
        }
        changed_.wait_for(lock, kPollEvery);
    }
}

void ProgressCanceller::Measure(HWND window) {
    DWORD start = GetTickCount();
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerWaitMs, &result)) return;
    DWORD waited = GetTickCount() - start;
    if (waited > longestWaitMs_) longestWaitMs_ = waited;
}

}  // namespace tessera
