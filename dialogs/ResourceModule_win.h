// The module that holds the dialog templates and the string table: the
// plug-in DLL, set once when it is loaded (tests set the module they load).
#pragma once

#include <windows.h>

#include <string>

namespace tessera {

HINSTANCE ResourceModule();
void SetResourceModule(HINSTANCE module);

// Loads a string-table entry as Shift-JIS bytes (empty when missing).
std::string LoadText(int id);

}  // namespace tessera
