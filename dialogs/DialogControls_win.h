// Win32 pieces the plug-in's dialogs share: running a template, reading
// controls, placing the window, and the save-type part that the
// export-format and settings dialogs have in common.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "dialogs/DialogLogic.h"
#include "export/seams/ExportFormat.h"

namespace tessera {

// Runs template `templateId` of the resource module modally, owned by
// `owner`, with `data` for `proc` (see DialogData). Returns the end code, or
// -1 when the dialog cannot be shown.
int RunModalDialog(HWND owner, int templateId, DLGPROC proc, void* data);

// The data handed to RunModalDialog: stored on WM_INITDIALOG and returned on
// every later message (nullptr for the messages before it).
void* DialogData(HWND dialog, UINT message, LPARAM lParam);

// Runs `handle` for one message of `dialog`. An exception (out of memory)
// must not unwind through the system's frames: it cancels the dialog, which
// its caller takes as the user's "no".
template <typename Handler>
INT_PTR CancelOnException(HWND dialog, Handler&& handle) noexcept {
    try {
        return handle();
    } catch (...) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
}

// The whole text of control `id` as Shift-JIS bytes (empty when it has none).
std::string ControlText(HWND dialog, int id);

// The whole text of control `id`, cut to at most `limit` bytes at a
// character boundary.
std::string ControlTextCut(HWND dialog, int id, size_t limit);

// The system's work area, the rectangle dialogs are kept inside.
ScreenRect WorkArea();

// A window's rectangle in screen coordinates.
ScreenRect WindowRect(HWND window);

// Shows `format` in the save-type part: radio `radio` selected (none when it
// is not a save type), the separator edit showing the separator and enabled
// only for 105, check box `convertBox` and the attachments box ticked as the
// format says.
void ShowFormatControls(HWND dialog, const ExportFormat& format, int radio, int convertBox);

// The commands of the save-type part. A radio button enables the separator
// edit (105, which also takes the focus) or greys it; OK reads the part back
// into `format` (the separator cut to `separatorLimit` bytes, see
// ReadBackSaveType) and ends the dialog with 1; Cancel ends it with 2.
// True when `id` was one of these.
bool HandleFormatCommand(HWND dialog, int id, int convertBox, size_t separatorLimit,
                         ExportFormat& format);

// Ends the dialog with `id` when it is OK or Cancel; true when it did.
bool EndOnOkOrCancel(HWND dialog, int id);

}  // namespace tessera
