// The shell's folder browser as both the settings dialog and the asking
// export use it: file-system folders only, opening on a start folder.
#pragma once

#include <windows.h>

#include <string>

namespace tessera {

// Shows the browser titled with string 2; true with the picked folder's path
// (as the system gives it, without a trailing backslash except at a root).
bool ShowFolderBrowser(HWND owner, const std::string& startFolder, std::string& folder);

}  // namespace tessera
