// Window-free rules of the three dialogs: placing them, reading the save type
// back, and fitting the overwrite question into the work area.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "export/framing/FolderPath.h"
#include "export/seams/ExportFormat.h"
#include "export/text/ShiftJisText.h"

namespace tessera {

// Most bytes the export-format dialog keeps of its separator.
constexpr size_t kFormatSeparatorLimit = 254;
// Most bytes the settings dialog keeps of its folder and separator.
constexpr size_t kSettingsTextLimit = 259;
// Most bytes of the path the overwrite question holds.
constexpr size_t kOverwritePathLimit = 259;
// Most bytes of the overwrite question's format string.
constexpr size_t kOverwriteFormatLimit = 254;

struct ScreenRect {
    int left;
    int top;
    int right;
    int bottom;
};

struct ScreenPoint {
    int x;
    int y;
};

// Top-left corner that centres a width x height window on `reference`,
// then moved into `workArea`; when the window is larger than the work area
// its left and top edges sit on the work area's left and top edges.
ScreenPoint CentredPosition(const ScreenRect& reference, int width, int height,
                            const ScreenRect& workArea);

// Top-left corner that moves `window` into `workArea`, no further than
// needed; a window larger than the work area sits on its left and top edges.
ScreenPoint PositionInside(const ScreenRect& window, const ScreenRect& workArea);

// The tallest a text box `boxHeight` high may grow when its dialog,
// `dialogHeight` high, grows as much and stays no taller than the work area
// (`workHeight`); never less than the box itself.
int TextBoxRoom(int boxHeight, int dialogHeight, int workHeight);

// `text` with its middle replaced by "..." so that at most `keep` of its bytes
// remain: about half before the dots and the rest after them, both parts
// whole characters. A text of at most `keep` bytes comes back unchanged.
std::string ShortenInMiddle(const std::string& text, size_t keep);

// `text` when `fits` accepts it, else the ShortenInMiddle of it that keeps the
// most bytes and that `fits` accepts (the dots alone when it accepts none).
std::string ShortenToFit(const std::string& text,
                         const std::function<bool(const std::string&)>& fits);

// The radio button the export-format dialog selects for `saveType`.
int InitialFormatRadio(int saveType);

// Applies OK to the save type and separator. `checkedRadio` is 103, 104 or
// 105, or anything else when no radio button is selected (nothing changes).
// Only 105 keeps a separator: the edit's text cut to `limit` bytes.
void ReadBackSaveType(int checkedRadio, const std::string& editText, size_t limit, int& saveType,
                      std::string& separator);

}  // namespace tessera
