// Window-free rules of the three dialogs: centring and reading the save type back.
#pragma once

#include <cstddef>
#include <string>

#include "export/ExportFormat.h"
#include "export/FolderPath.h"
#include "export/ShiftJisText.h"

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

// The radio button the export-format dialog selects for `saveType`.
int InitialFormatRadio(int saveType);

// Applies OK to the save type and separator. `checkedRadio` is 103, 104 or
// 105, or anything else when no radio button is selected (nothing changes).
// Only 105 keeps a separator: the edit's text cut to `limit` bytes.
void ReadBackSaveType(int checkedRadio, const std::string& editText, size_t limit,
                      int& saveType, std::string& separator);

}  // namespace tessera
