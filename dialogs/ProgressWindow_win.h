// The progress window of a long export (resource 110): the Subject of the
// message in hand, a bar over the selected messages, "n / total 通" and
// Cancel (the button, Esc or the close box). Modeless: the export runs while
// it shows and pumps its messages.
#pragma once

#include <windows.h>

#include <string>

namespace tessera {

struct ProgressWindowData {
    int total = -1;          // messages of the export; -1 until counted
    bool cancelled = false;  // set by Cancel, Esc or the close box
};

// Creates the window, hidden, owned by `owner` (may be null); `data` must
// outlive it. Null when it cannot be created.
HWND CreateProgressWindow(HWND owner, ProgressWindowData& data);

// Shows `done` of the total and the Subject in hand.
void UpdateProgressWindow(HWND window, const ProgressWindowData& data, int done,
                          const std::string& subject);

}  // namespace tessera
