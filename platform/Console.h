// The console the command-line exporter talks to: whether a stream is a
// terminal, and text recoded for it. Twins: Console_posix.cpp (the locale's
// character set), Console_win.cpp (the console's code page).
#pragma once

#include <cstdio>
#include <string>

namespace tessera {

// True when `stream` is a terminal (a console window on Windows).
bool IsTerminal(FILE* stream);

// Text of this system (paths, its error texts) in the console's character set.
std::string SystemToConsole(const std::string& text);

// Standard input and output carry bytes as they are, line ends untranslated.
void UseBinaryStandardStreams();

}  // namespace tessera
