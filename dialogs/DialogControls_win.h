// Small Win32 helpers shared by the dialog classes.
#pragma once

#include <windows.h>

#include <string>

namespace tessera {

// The whole text of control `id` as Shift-JIS bytes (empty when it has none).
std::string ControlText(HWND dialog, int id);

// The whole text of control `id`, cut to at most `limit` bytes at a
// character boundary.
std::string ControlTextCut(HWND dialog, int id, size_t limit);

// The id of the selected radio button among 103..105, or 0 when none is.
int CheckedSaveTypeRadio(HWND dialog);

// Applies a click on radio 103, 104 or 105 to edit `editId`: 105 enables it
// and moves the focus into it, the others grey it out.
void OnSaveTypeRadio(HWND dialog, int radioId, int editId);

// Stores the dialog object passed to DialogBoxParamA on WM_INITDIALOG and
// returns it on every later message (nullptr before WM_INITDIALOG).
void* DialogObject(HWND dialog, UINT message, LPARAM lParam);

}  // namespace tessera
