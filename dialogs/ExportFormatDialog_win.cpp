#include "dialogs/ExportFormatDialog_win.h"

#include "dialogs/DialogControls_win.h"
#include "dialogs/DialogLogic.h"
#include "resources/resource.h"

namespace tessera {

namespace {

// The owner's window rectangle, or the work area when the owner is absent,
// hidden or minimised.
ScreenRect ReferenceRect(HWND owner, const ScreenRect& workArea) {
    if (!owner || !IsWindowVisible(owner) || IsIconic(owner)) return workArea;
    RECT rect = {};
    if (!GetWindowRect(owner, &rect)) return workArea;
    return {rect.left, rect.top, rect.right, rect.bottom};
}

void CentreOverOwner(HWND dialog) {
    ScreenRect workArea = WorkArea();
    ScreenRect own = WindowRect(dialog);
    ScreenRect reference = ReferenceRect(GetWindow(dialog, GW_OWNER), workArea);
    ScreenPoint at =
        CentredPosition(reference, own.right - own.left, own.bottom - own.top, workArea);
    SetWindowPos(dialog, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK ExportFormatProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* format = static_cast<ExportFormat*>(DialogData(dialog, message, lParam));
    if (!format) return FALSE;
    return CancelOnException(dialog, [&]() -> INT_PTR {
        if (message == WM_INITDIALOG) {
            CentreOverOwner(dialog);
            ShowFormatControls(dialog, *format, InitialFormatRadio(format->SaveType),
                               IDC_FORMAT_CONVERT);
            return TRUE;
        }
        if (message != WM_COMMAND) return FALSE;
        return HandleFormatCommand(dialog, LOWORD(wParam), IDC_FORMAT_CONVERT,
                                   kFormatSeparatorLimit, *format);
    });
}

}  // namespace

int ShowExportFormatDialog(HWND owner, ExportFormat& format) {
    // The dialog works on a copy, so that only OK changes the caller's format.
    ExportFormat chosen = format;
    int result = RunModalDialog(owner, IDD_EXPORT_FORMAT, ExportFormatProc, &chosen);
    if (result == IDOK) format = chosen;
    return result;
}

}  // namespace tessera
