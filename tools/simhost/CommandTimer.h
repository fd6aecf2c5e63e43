// Times one command of the plug-in on the host's thread: from its start to
// the first message box the plug-in opens (the report of a long export, an
// error), or to its end. So the time of an export leaves out how long a box
// waits for its answer.
#pragma once

#include <windows.h>

namespace tessera {

class CommandTimer {
  public:
    CommandTimer();
    ~CommandTimer();
    CommandTimer(const CommandTimer&) = delete;
    CommandTimer& operator=(const CommandTimer&) = delete;

    // Milliseconds from the start to the first box, or to now.
    double Milliseconds() const;

  private:
    static LRESULT CALLBACK OnCreate(int code, WPARAM wParam, LPARAM lParam);

    LARGE_INTEGER start_;
    HHOOK hook_;
};

}  // namespace tessera
