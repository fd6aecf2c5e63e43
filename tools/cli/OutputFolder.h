// The folder the formats that write into one are given.
#pragma once

#include <string>

namespace tessera {

// True when `path` is a folder: no target file of a single-file format.
bool IsFolder(const std::string& path);

// Makes `folder` and its missing parents; false with `error` set when it
// cannot be made or something other than a folder is there.
bool MakeFolder(const std::string& folder, std::string& error);

}  // namespace tessera
