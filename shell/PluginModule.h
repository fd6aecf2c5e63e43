// The plug-in module's own handle and the texts of its string table.
#pragma once

#include <windows.h>

#include <string>

namespace tessera {

HINSTANCE PluginInstance();
void SetPluginInstance(HINSTANCE instance);

// Loads a string-table entry as Shift-JIS bytes (empty when missing).
std::string LoadText(int id);

// Full path of the plug-in module file.
std::string ModulePath();

}  // namespace tessera
