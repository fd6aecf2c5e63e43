#include "dialogs/ProgressWindow_win.h"

#include <commctrl.h>

#include "dialogs/DialogControls_win.h"
#include "dialogs/ExportReportText.h"
#include "dialogs/ResourceModule_win.h"
#include "resources/resource.h"

namespace tessera {

namespace {

void Cancel(HWND dialog, ProgressWindowData& data) {
    data.cancelled = true;
    // The message in hand is still being written: the button shows it was heard.
    EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
}

BOOL OnInitDialog(HWND dialog, const ProgressWindowData& data) {
    SetWindowTextA(dialog, LoadText(IDS_PROGRESS_CAPTION).c_str());
    SetDlgItemTextA(dialog, IDCANCEL, LoadText(IDS_PROGRESS_CANCEL).c_str());
    SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_SETRANGE32, 0, data.total);
    UpdateProgressWindow(dialog, data, 0, std::string());
    return TRUE;
}

INT_PTR CALLBACK ProgressProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* data = static_cast<ProgressWindowData*>(DialogData(dialog, message, lParam));
    if (!data) return FALSE;
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog(dialog, *data);
        case WM_CLOSE:
            Cancel(dialog, *data);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) != IDCANCEL) return FALSE;
            Cancel(dialog, *data);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

HWND CreateProgressWindow(HWND owner, ProgressWindowData& data) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    return CreateDialogParamA(ResourceModule(), MAKEINTRESOURCEA(IDD_PROGRESS), owner, ProgressProc,
                              reinterpret_cast<LPARAM>(&data));
}

void UpdateProgressWindow(HWND window, const ProgressWindowData& data, int done,
                          const std::string& subject) {
    SendDlgItemMessageA(window, IDC_PROGRESS_BAR, PBM_SETPOS, done, 0);
    SetDlgItemTextA(window, IDC_PROGRESS_COUNT,
                    ProgressCountText(LoadText, done, data.total).c_str());
    SetDlgItemTextA(window, IDC_PROGRESS_SUBJECT, subject.c_str());
}

}  // namespace tessera
