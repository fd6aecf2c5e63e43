#include "tools/cli/CliText.h"

#include <windows.h>

#include <cstring>

namespace tessera {

namespace {

struct Entry {
    const char* english;
    const char* japanese;  // Shift-JIS
};

// Generated from po/ja.po by tools/cli/catalogue_table.py.
const Entry kCatalogue[] = {
#include "CliCatalogue.inc"
};

}  // namespace

void UseCliTexts(const char*) {}

bool JapaneseTexts() {
    // Japanese in a console of code page 932, or without a console (output
    // redirected) on a system of that code page, whose own texts (the system's
    // reasons) are Japanese too. The built-in texts are Shift-JIS.
    UINT console = GetConsoleOutputCP();
    return (console == 0 ? GetACP() : console) == 932 && GetACP() == 932;
}

std::string Tr(const char* english, std::initializer_list<std::string> values) {
    const char* text = english;
    if (JapaneseTexts()) {
        for (const Entry& entry : kCatalogue) {
            if (std::strcmp(entry.english, english) == 0) text = entry.japanese;
        }
    }
    return FillIn(text, values);
}

}  // namespace tessera
