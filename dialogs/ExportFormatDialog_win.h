// The modal export-format dialog (resource 101): save type, separator,
// attachments; the conversion box is shown ticked and greyed.
#pragma once

#include <windows.h>

#include <string>

namespace tessera {

class ExportFormatDialog {
public:
    ExportFormatDialog(int saveType, bool convert, const std::string& separator, bool noAttach);
    virtual ~ExportFormatDialog() = default;

    // Shows the dialog modally; returns 1 (OK) or 2 (Cancel, Esc, close box).
    INT_PTR Run(HWND parent);

    int SaveType;
    bool Convert;
    std::string Separator;
    bool NoAttach;

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    BOOL OnInitDialog();
    void OnOk();
    HWND window_ = nullptr;
};

}  // namespace tessera
