#include "dialogs/OverwriteDialog_win.h"

#include <vector>

#include "resources/resource.h"
#include "dialogs/DialogControls_win.h"
#include "dialogs/DialogLogic.h"
#include "dialogs/ResourceModule_win.h"

namespace tessera {

namespace {

constexpr int kMessageText = 1008;
constexpr int kAppend = 3;
// A 259-byte path, the 39 bytes after "%s" in the message, the terminator.
constexpr size_t kMessageSize = kOverwritePathLimit + 39 + 1;

// The question with `path` put in place of "%s": the path is an argument,
// never part of the format, so its percent signs show as they are.
std::string FormatQuestion(const std::string& path) {
    std::string format = CutToCharacters(LoadText(IDS_OVERWRITE_MESSAGE), kOverwriteFormatLimit);
    // Room for the whole format and path, so the message is never cut.
    std::vector<char> buffer(kMessageSize + format.size(), '\0');
    int length = wsprintfA(buffer.data(), format.c_str(), path.c_str());
    if (length <= 0) return std::string();
    return std::string(buffer.data(), static_cast<size_t>(length));
}

}  // namespace

OverwriteDialog::OverwriteDialog(const std::string& path)
    : path_(CutToCharacters(path, kOverwritePathLimit)) {}

INT_PTR OverwriteDialog::Run(HWND parent) {
    return DialogBoxParamA(ResourceModule(), MAKEINTRESOURCEA(IDD_OVERWRITE), parent, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK OverwriteDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    auto* self = static_cast<OverwriteDialog*>(DialogObject(dialog, message, lParam));
    if (!self) return FALSE;
    if (message == WM_INITDIALOG) {
        self->window_ = dialog;
        return self->OnInitDialog();
    }
    if (message != WM_COMMAND) return FALSE;
    int id = LOWORD(wParam);
    if (id != IDOK && id != IDCANCEL && id != kAppend) return FALSE;
    EndDialog(dialog, id);
    return TRUE;
}

BOOL OverwriteDialog::OnInitDialog() {
    SetDlgItemTextA(window_, kMessageText, FormatQuestion(path_).c_str());
    // TRUE: the focus goes to the first tab stop, the default "overwrite"
    // button, so Enter overwrites.
    return TRUE;
}

}  // namespace tessera
