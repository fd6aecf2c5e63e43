// Times one command of the plug-in on the host's thread: from its start to
// the end of its export, which is the first of: the progress window closing,
// the first message box the plug-in opens (an error, a report), the command's
// return. So the time leaves out how long a box waits for its answer.
#pragma once

#include <windows.h>

namespace tessera {

class CommandTimer {
  public:
    CommandTimer();
    ~CommandTimer();
    CommandTimer(const CommandTimer&) = delete;
    CommandTimer& operator=(const CommandTimer&) = delete;

    // Milliseconds from the start to the end of the export, or to now.
    double Milliseconds() const;

  private:
    static LRESULT CALLBACK OnWindow(int code, WPARAM wParam, LPARAM lParam);

    LARGE_INTEGER start_;
    HHOOK hook_;
};

}  // namespace tessera
