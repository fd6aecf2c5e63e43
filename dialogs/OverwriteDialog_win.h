// The modal overwrite question (resource 103): overwrite, append or cancel.
#pragma once

#include <windows.h>

#include <string>

namespace tessera {

// Asks whether the existing file `path` (its first 259 bytes) is overwritten.
// Returns 1 (overwrite, also Enter), 3 (append) or 2 (cancel, Esc, close
// box), or -1 when the dialog cannot be shown. However long the path, the
// whole question shows: the dialog grows within the work area, and a path
// that still does not fit is shortened in its middle with "...".
int ShowOverwriteDialog(HWND owner, const std::string& path);

}  // namespace tessera
