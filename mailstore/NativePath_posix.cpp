#include "mailstore/NativePath.h"

namespace tessera {

std::filesystem::path ToFsPath(const std::string& path) { return std::filesystem::path(path); }

std::string FromFsPath(const std::filesystem::path& path) { return path.string(); }

}  // namespace tessera
