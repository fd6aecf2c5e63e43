// The modal settings dialog (resource 102): default folder, stored format,
// separator, attachments; the conversion box is shown but cannot change.
#pragma once

#include <windows.h>

#include <string>

namespace tessera {

class SettingsDialog {
public:
    SettingsDialog(const std::string& savePath, const std::string& separator, bool convert,
                   int saveType, bool noAttach);
    virtual ~SettingsDialog() = default;

    // Shows the dialog modally; returns 1 (OK) or 2 (Cancel, Esc, close box).
    INT_PTR Run(HWND parent);

    std::string SavePath;
    std::string Separator;
    bool Convert;
    int SaveType;
    bool NoAttach;

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    BOOL OnInitDialog();
    void OnBrowse();
    void OnOk();
    HWND window_ = nullptr;
};

}  // namespace tessera
