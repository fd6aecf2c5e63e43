// Where the export writes on this system: the folder of the formats that
// write into one, and SavePath values that name no place here.
#pragma once

#include <string>

namespace tessera {

// Makes `folder` and its missing parents; false with `error` set when it
// cannot be made or something other than a folder is there.
bool MakeFolder(const std::string& folder, std::string& error);

// True for a Windows path ("C:\...", "\\server\...", anything with a '\'):
// a SavePath from the plug-in's INI file that is no path of this system.
bool IsWindowsPath(const std::string& path);

}  // namespace tessera
