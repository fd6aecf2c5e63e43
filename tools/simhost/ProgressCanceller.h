// Watches the plug-in's progress window from a second thread: notes whether
// it showed and, given N, presses its Cancel while the N-th message is in
// hand (its source being fetched), so that the export stops with N messages
// written. The host waits for the press, so the count is exact whenever the
// window shows by then; otherwise Cancel is pressed as soon as it shows.
// Asked to probe, it measures how long the window takes to answer a message.
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tessera {

class ProgressCanceller {
  public:
    // `cancelAfter` 0: only watch. `probe`: send the window a message every
    // few milliseconds and keep the longest wait for its answer (never with a
    // cancel, where the host may wait on this thread).
    explicit ProgressCanceller(long cancelAfter = 0, bool probe = false);
    ~ProgressCanceller();
    ProgressCanceller(const ProgressCanceller&) = delete;
    ProgressCanceller& operator=(const ProgressCanceller&) = delete;

    // The progress window was seen on screen.
    bool Seen() const { return seen_; }
    bool Pressed() const { return pressed_; }
    // The window the progress is shown in, while it shows (else null).
    HWND Window() const { return window_; }
    // The longest wait for the window to answer a probe.
    DWORD LongestWaitMs() const { return longestWaitMs_; }

  private:
    void OnSource(long index);
    void Run();
    void Measure(HWND window);

    long cancelAfter_;
    bool probe_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> seen_{false};
    std::atomic<bool> pressed_{false};
    std::atomic<HWND> window_{nullptr};
    std::atomic<DWORD> longestWaitMs_{0};
    bool asked_ = false;  // the host waits for a press
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;
};

}  // namespace tessera
