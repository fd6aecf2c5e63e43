#include "shell/Win32ExportProgress.h"

#include "dialogs/ProgressTiming.h"

namespace tessera {

namespace {

// Between two turns of the message queue while the window shows: with the
// longest stretch of work between two ticks, about the 100 ms at which a
// window starts to feel stuck; a turn costs a fraction of a millisecond.
constexpr DWORD kPumpEveryMs = 30;
// Between two changes of the window's texts and bar: often enough to see the
// export move. Each costs a millisecond or two, mostly the bar, which redraws
// at once; with the turns of the queue, under 1% of an export's time.
constexpr DWORD kUpdateEveryMs = 500;
// Messages taken in one turn, so that a flood of them cannot hold up the export.
constexpr int kMessagesPerTurn = 200;

}  // namespace

Win32ExportProgress::Win32ExportProgress(HWND owner, std::function<int()> countSelection,
                                         DWORD delayMs, const bool& stop)
    : owner_(owner ? GetAncestor(owner, GA_ROOT) : nullptr),
      countSelection_(std::move(countSelection)),
      delayMs_(delayMs),
      stop_(stop),
      start_(GetTickCount()),
      doneAt_(start_) {}

Win32ExportProgress::~Win32ExportProgress() {
    if (!window_) return;
    // Enabled first, so that the owner, not some other window, is activated.
    if (ownerDisabled_) EnableWindow(owner_, TRUE);
    DestroyWindow(window_);
}

ExportStop Win32ExportProgress::Continue(const ExportReport& report) {
    int done = report.messagesWritten + report.messagesFailed;
    DWORD now = GetTickCount();
    // A long message is often followed by another, and the host's fetch of a
    // source cannot be ticked inside: the queue is turned just before it.
    bool turnNow = done != done_ && now - doneAt_ >= kPumpEveryMs;
    if (done != done_) {
        done_ = done;
        doneAt_ = now;
        changed_ = true;
    }
    Turn(turnNow);
    return data_.cancelled || stop_ || quit_ ? ExportStop::Cancel : ExportStop::No;
}

void Win32ExportProgress::SetSubject(const std::string& subject) {
    subjectWanted_ = false;
    if (subject == subject_) return;
    subject_ = subject;
    changed_ = true;
}

bool Win32ExportProgress::WantsSubject() const {
    // One Subject per update of the window is enough: the first after each.
    return window_ && subjectWanted_;
}

void Win32ExportProgress::Turn(bool turnNow) {
    DWORD now = GetTickCount();
    if (!window_) {
        if (showFailed_ || now - start_ < delayMs_) return;
        // Counted once, when first needed.
        if (data_.total < 0) data_.total = countSelection_();
        if (!ProgressWorthShowing(now - start_, delayMs_, done_, data_.total, now - doneAt_)) {
            return;
        }
        Show();
        if (!window_) return;
    } else if (!turnNow && now - lastPump_ < kPumpEveryMs) {
        return;
    }
    if (changed_ && now - lastUpdate_ >= kUpdateEveryMs) {
        UpdateProgressWindow(window_, data_, done_, subject_);
        changed_ = false;
        subjectWanted_ = true;
        lastUpdate_ = now;
    }
    Pump();
    lastPump_ = GetTickCount();
}

void Win32ExportProgress::Show() {
    window_ = CreateProgressWindow(owner_, data_);
    if (!window_) {
        // Without the window the export goes on as it always did: unseen, unstoppable.
        showFailed_ = true;
        return;
    }
    changed_ = true;
    // As a modal dialog does: the owner is disabled before the window appears.
    // EnableWindow returns nonzero when the window was disabled already.
    if (owner_) ownerDisabled_ = !EnableWindow(owner_, FALSE);
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
}

void Win32ExportProgress::Pump() {
    MSG msg;
    for (int i = 0; i < kMessagesPerTurn && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (msg.message == WM_QUIT) {
            // As a modal loop does: stop, and leave the quit to the host's own loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            quit_ = true;
            return;
        }
        if (IsDialogMessageA(window_, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace tessera
