// The modal settings dialog (resource 102): default folder, stored format,
// separator, attachments; the conversion box is shown but cannot change.
#pragma once

#include <windows.h>

#include "export/seams/ExportSettings.h"

namespace tessera {

// Shows the dialog with `settings`. Returns 1 (OK, which replaces `settings`
// with the values shown) or 2 (Cancel, Esc, close box; `settings` stays as
// it was), or -1 when the dialog cannot be shown.
int ShowSettingsDialog(HWND owner, ExportSettings& settings);

}  // namespace tessera
