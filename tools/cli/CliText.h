// The command line's own texts. They are written in English where they are
// used; under a Japanese locale they are shown in Japanese from the catalogue
// po/ja.po, their only Japanese home (Linux: gettext, the catalogue installed
// or beside the program; Windows: built in, chosen by the console's code
// page). A line is in one language: system texts inside it (paths, the
// system's reasons) follow the same locale.
// Twins: CliText_posix.cpp, CliText_win.cpp.
#pragma once

#include <initializer_list>
#include <string>

namespace tessera {

// Finds the catalogue; `program` is argv[0]. Call after setlocale.
void UseCliTexts(const char* program);

// True when the texts are shown in Japanese.
bool JapaneseTexts();

// `english` in the language shown, in the system's character set, with %1,
// %2, ... replaced by `values`.
std::string Tr(const char* english, std::initializer_list<std::string> values = {});

// Replaces %1 ... %9 in `text` by `values`.
std::string FillIn(const std::string& text, std::initializer_list<std::string> values);

// Host texts "NAME: phrase (reason)" with the phrase shown in the language shown.
std::string TrProblem(const std::string& problem);

}  // namespace tessera
