// Paths between this system's own bytes (what a user types: the locale's on
// POSIX, the ANSI code page on Windows) and std::filesystem, which holds
// UTF-16 on Windows. Twins: NativePath_posix.cpp, NativePath_win.cpp.
#pragma once

#include <filesystem>
#include <string>

namespace tessera {

std::filesystem::path ToFsPath(const std::string& path);
std::string FromFsPath(const std::filesystem::path& path);

}  // namespace tessera
