// A long export's progress on Win32. After about half a second, unless the
// export looks about to end, the progress window shows, owned by the
// command's window, which is disabled meanwhile as a modal dialog's owner
// is; from then on the export pumps the message queue every few tens of
// milliseconds, so that windows repaint and move and Cancel is heard. Short
// exports never show it and never pump.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "dialogs/ProgressWindow_win.h"
#include "export/seams/ExportProgress.h"

namespace tessera {

class Win32ExportProgress : public ExportProgress {
  public:
    // `stop`, when it becomes true, stops the export as Cancel does: the one
    // flag the plug-in sets to stop a running export; it must outlive this object.
    Win32ExportProgress(HWND owner, std::function<int()> countSelection, DWORD delayMs,
                        const bool& stop);
    // Enables the owner again and closes the window.
    ~Win32ExportProgress() override;
    Win32ExportProgress(const Win32ExportProgress&) = delete;
    Win32ExportProgress& operator=(const Win32ExportProgress&) = delete;

    bool Shown() const override { return window_ != nullptr; }
    bool WantsSubject() const override;
    ExportStop Continue(const ExportReport& report) override;
    void SetSubject(const std::string& subject) override;
    void Tick() override { Turn(); }

  private:
    // Turns the queue when it is due, or at once when `turnNow` and the window shows.
    void Turn(bool turnNow = false);
    void Show();
    void Pump();

    HWND owner_;
    std::function<int()> countSelection_;
    DWORD delayMs_;
    const bool& stop_;
    DWORD start_;
    DWORD doneAt_;  // when the last message was through
    DWORD lastPump_ = 0;
    DWORD lastUpdate_ = 0;
    bool showFailed_ = false;
    bool ownerDisabled_ = false;
    bool quit_ = false;  // WM_QUIT seen: the host is closing
    HWND window_ = nullptr;
    ProgressWindowData data_;
    int done_ = 0;
    std::string subject_;
    bool changed_ = false;
    bool subjectWanted_ = true;
};

}  // namespace tessera
