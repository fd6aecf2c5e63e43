#include "dialogs/OverwriteDialog_win.h"

#include <algorithm>
#include <vector>

#include "dialogs/DialogControls_win.h"
#include "dialogs/DialogLogic.h"
#include "dialogs/ResourceModule_win.h"
#include "resources/resource.h"

namespace tessera {

namespace {

// A 259-byte path, the 39 bytes after "%s" in the message, the terminator.
constexpr size_t kMessageSize = kOverwritePathLimit + 39 + 1;
// How the static control lays out its text: SS_LEFT, SS_NOPREFIX so that an
// ampersand in a path shows, SS_EDITCONTROL so that a path longer than a line
// breaks between characters rather than running off the edge.
constexpr UINT kStaticTextFormat =
    DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_EDITCONTROL;

// The question with `path` put in place of "%s": the path is an argument,
// never part of the format, so its percent signs show as they are.
std::string FormatQuestion(const std::string& format, const std::string& path) {
    // Room for the whole format and path, so the message is never cut.
    std::vector<char> buffer(kMessageSize + format.size(), '\0');
    int length = wsprintfA(buffer.data(), format.c_str(), path.c_str());
    if (length <= 0) return std::string();
    return std::string(buffer.data(), static_cast<size_t>(length));
}

// Measures texts as a static control lays them out: in its font, wrapped to
// its width.
class TextMeasure {
  public:
    explicit TextMeasure(HWND control) : control_(control), dc_(GetDC(control)) {
        RECT client = {};
        GetClientRect(control, &client);
        width_ = client.right;
        auto font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
        if (dc_ && font) oldFont_ = SelectObject(dc_, font);
    }
    ~TextMeasure() {
        if (oldFont_) SelectObject(dc_, oldFont_);
        if (dc_) ReleaseDC(control_, dc_);
    }
    TextMeasure(const TextMeasure&) = delete;
    TextMeasure& operator=(const TextMeasure&) = delete;

    int Height(const std::string& text) const {
        RECT rect = {0, 0, width_, 0};
        DrawTextA(dc_, text.c_str(), static_cast<int>(text.size()), &rect,
                  DT_CALCRECT | kStaticTextFormat);
        return rect.bottom - rect.top;
    }

  private:
    HWND control_;
    HDC dc_;
    HGDIOBJ oldFont_ = nullptr;
    int width_ = 0;
};

RECT RectInDialog(HWND dialog, HWND control) {
    RECT rect = {};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// Makes `box` `growth` pixels taller and the dialog with it; the controls
// below the box move down, and the dialog moves up if it would leave the
// work area.
void GrowTextBox(HWND dialog, HWND box, int growth) {
    RECT boxRect = RectInDialog(dialog, box);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect = RectInDialog(dialog, child);
        if (rect.top < boxRect.bottom) continue;
        SetWindowPos(child, nullptr, rect.left, rect.top + growth, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SetWindowPos(box, nullptr, 0, 0, boxRect.right - boxRect.left,
                 boxRect.bottom - boxRect.top + growth, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ScreenRect grown = WindowRect(dialog);
    grown.bottom += growth;
    ScreenPoint at = PositionInside(grown, WorkArea());
    SetWindowPos(dialog, nullptr, at.x, at.y, grown.right - grown.left, grown.bottom - grown.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShowQuestion(HWND dialog, const std::string& path) {
    HWND box = GetDlgItem(dialog, IDC_OVERWRITE_MESSAGE);
    std::string format = CutToCharacters(LoadText(IDS_OVERWRITE_MESSAGE), kOverwriteFormatLimit);
    RECT client = {};
    GetClientRect(box, &client);
    ScreenRect window = WindowRect(dialog);
    ScreenRect work = WorkArea();
    int room = TextBoxRoom(client.bottom, window.bottom - window.top, work.bottom - work.top);
    TextMeasure measure(box);
    std::string shown = ShortenToFit(path, [&](const std::string& candidate) {
        return measure.Height(FormatQuestion(format, candidate)) <= room;
    });
    std::string question = FormatQuestion(format, shown);
    int growth = std::min(measure.Height(question), room) - client.bottom;
    if (growth > 0) GrowTextBox(dialog, box, growth);
    SetWindowTextA(box, question.c_str());
}

INT_PTR CALLBACK OverwriteProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* path = static_cast<const std::string*>(DialogData(dialog, message, lParam));
    if (!path) return FALSE;
    return CancelOnException(dialog, [&]() -> INT_PTR {
        if (message == WM_INITDIALOG) {
            ShowQuestion(dialog, *path);
            // TRUE: the focus goes to the first tab stop, the default
            // "overwrite" button, so Enter overwrites.
            return TRUE;
        }
        if (message != WM_COMMAND) return FALSE;
        int id = LOWORD(wParam);
        if (id != IDC_APPEND) return EndOnOkOrCancel(dialog, id);
        EndDialog(dialog, id);
        return TRUE;
    });
}

}  // namespace

int ShowOverwriteDialog(HWND owner, const std::string& path) {
    std::string shown = CutToCharacters(path, kOverwritePathLimit);
    return RunModalDialog(owner, IDD_OVERWRITE, OverwriteProc, &shown);
}

}  // namespace tessera
