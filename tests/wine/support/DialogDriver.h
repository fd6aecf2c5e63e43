// Drives modal dialogs of the UI thread from a second thread: finds them,
// reads and sets control state, clicks and posts keys, and never lets a
// failed test leave a dialog open.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace tessera::test {

// How long a driver waits for a window to appear or go away before it gives
// up: only a failing test ever waits this long, so it allows for a machine
// busy with other work, where a window may take seconds.
constexpr DWORD kDriverWaitMs = 120000;

// The dialogs (class "#32770") that thread `thread` owns, top-level first.
std::vector<HWND> ThreadDialogs(DWORD thread);

// The dialog of `thread` whose caption is exactly `caption` (Shift-JIS), or
// nullptr when none appears within the wait.
HWND WaitForDialog(DWORD thread, const std::string& caption, DWORD timeoutMs = kDriverWaitMs);

// A dialog of `thread` other than `except` (a nested one such as the
// folder browser), or nullptr when none appears within the wait.
HWND WaitForOtherDialog(DWORD thread, HWND except, DWORD timeoutMs = kDriverWaitMs);

// Waits until `window` is destroyed; false on timeout.
bool WaitUntilGone(HWND window, DWORD timeoutMs = kDriverWaitMs);

// Waits until `condition` holds; false on timeout.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kDriverWaitMs);

// Whole text of a window or of dialog item `id`, as the bytes the ANSI
// calls return.
std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int id);
void SetItemText(HWND dialog, int id, const std::string& text);

bool ItemEnabled(HWND dialog, int id);
bool ItemChecked(HWND dialog, int id);
// The item's window style bits.
LONG ItemStyle(HWND dialog, int id);

// The window that has the keyboard focus in `thread`.
HWND FocusOf(DWORD thread);

// Clicks button `id` and returns once its command has been handled.
void Click(HWND dialog, int id);
// Clicks button `id` without waiting (for buttons that open a nested loop).
void PostClick(HWND dialog, int id);
// Posts a key press (down and up) to the focused window of `thread`.
void PressKey(DWORD thread, HWND dialog, UINT virtualKey);
// Posts Alt+`letter` (a WM_SYSCHAR) to the focused window of `thread`.
void PressAlt(DWORD thread, HWND dialog, char letter);
// Presses the caption bar's close box.
void PressCloseBox(HWND dialog);

// Runs `show` on this thread, which owns the dialog, while `drive` acts on
// a second thread with this thread's id. Dialogs still open a while after
// `drive` returns are cancelled (and the test fails), so nothing hangs.
INT_PTR RunDriven(const std::function<INT_PTR()>& show,
                  const std::function<void(DWORD uiThread)>& drive);

// The label of the folder selected in a folder browser's tree.
std::string SelectedFolderLabel(HWND browser);

// Selects `folder` (a path with a last name, not a drive root) in a folder
// browser and waits until its tree shows it selected, asking again now and
// then: a busy machine may drop or outrun the first request. False on timeout.
bool SelectFolder(HWND browser, const std::string& folder, DWORD timeoutMs = kDriverWaitMs);

}  // namespace tessera::test
