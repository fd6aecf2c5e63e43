// The folder the formats that write into one are given.
#pragma once

#include <string>

namespace tessera {

// Makes `folder` and its missing parents; false with `error` set when it
// cannot be made or something other than a folder is there.
bool MakeFolder(const std::string& folder, std::string& error);

}  // namespace tessera
