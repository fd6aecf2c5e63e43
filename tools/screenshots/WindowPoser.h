// Poses windows for scripts/screenshots.sh. For each pose the poser writes
// <dir>\<name>.rect with the window's screen rectangle; the script captures
// that part of the screen and answers with <dir>\<name>.done.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace tessera {

// Hands `window` to the script as `name` and waits for its capture, turning
// this thread's message queue meanwhile so that a window of this thread stays
// drawn. False when the script never captured it.
bool AwaitCapture(const std::string& dir, const std::string& name, HWND window);

// Runs `show` on this thread while a second thread finds the dialog titled
// `caption` (Shift-JIS) among this thread's windows, has it captured as
// `name` and ends it with command `answer`. False, said on stderr, when the
// dialog never showed or was not captured.
bool PoseDialog(const std::string& dir, const std::string& name, const std::string& caption,
                int answer, const std::function<void()>& show);

}  // namespace tessera
