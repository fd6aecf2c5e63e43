// The modal overwrite question (resource 103): overwrite, append or cancel.
#pragma once

#include <windows.h>

#include <string>

namespace tessera {

class OverwriteDialog {
public:
    explicit OverwriteDialog(const std::string& path);
    virtual ~OverwriteDialog() = default;

    // Shows the dialog modally; returns 1 (overwrite), 2 (cancel) or 3 (append).
    INT_PTR Run(HWND parent);

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    BOOL OnInitDialog();
    std::string path_;  // at most 259 bytes
    HWND window_ = nullptr;
};

}  // namespace tessera
