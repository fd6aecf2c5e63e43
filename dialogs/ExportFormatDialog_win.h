// The modal export-format dialog (resource 101): save type, separator,
// attachments; the conversion box is shown ticked and greyed.
#pragma once

#include <windows.h>

#include "export/seams/ExportFormat.h"

namespace tessera {

// Shows the dialog centred over `owner` with `format` chosen. Returns 1 (OK,
// which replaces `format` with the choice) or 2 (Cancel, Esc, close box;
// `format` stays as it was), or -1 when the dialog cannot be shown.
int ShowExportFormatDialog(HWND owner, ExportFormat& format);

}  // namespace tessera
