// Watches for a dialog from a second thread while the test thread sits in a
// modal loop: finds it by class "#32770" and caption, records its texts and
// answers it with a command.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace tessera::testing {

struct SeenDialog {
    bool found = false;
    std::string caption;
    std::vector<std::string> texts;  // texts of its child windows, in z order
    HWND owner = nullptr;
    int buttons = 0;       // push buttons among its children
    HICON icon = nullptr;  // the icon a message box shows (MB_ICON*)
};

class WindowWatcher {
  public:
    // Waits up to `timeoutMs` for a dialog titled `caption` (Shift-JIS bytes),
    // records it, then sends WM_COMMAND `answer` (IDOK, IDCANCEL, ...). The
    // default is only ever waited out by a failing test; a watcher for a dialog
    // that must not appear gives its own shorter time.
    WindowWatcher(const std::string& caption, int answer, DWORD timeoutMs = 120000);
    ~WindowWatcher();
    // Joins the thread and returns what it saw.
    const SeenDialog& Result();

  private:
    std::thread thread_;
    SeenDialog seen_;
    bool joined_ = false;
};

}  // namespace tessera::testing
