// Rules for the folders the export writes into, by characters: a 0x5C that
// is the second byte of a character (as in "表") is not a separator.
#pragma once

#include <string>

namespace tessera {

// `path` with one backslash appended, unless it is empty or ends in one.
std::string WithTrailingBackslash(const std::string& path);

// The folder the browser starts on: a trailing backslash is dropped from a
// path longer than 3 bytes, so "C:\" stays whole and "C:\Mail\" loses it.
std::string BrowseStartFolder(const std::string& path);

// A folder with the separator file names go behind: a folder that ends in
// '/' (which every system takes) or in `separator`, the system's own, keeps
// it; any other (the empty one too) gets `separator`.
std::string FolderWithSeparator(const std::string& folder, char separator = '\\');

}  // namespace tessera
