#include "tools/cli/OutputFolder.h"

#include <filesystem>
#include <system_error>

#include "mailstore/NativePath.h"
#include "tools/cli/CliText.h"

namespace tessera {

namespace fs = std::filesystem;

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(ToFsPath(path), ec);
}

bool MakeFolder(const std::string& folder, std::string& error) {
    std::error_code ec;
    const fs::path path = ToFsPath(folder);
    if (fs::is_directory(path, ec)) return true;
    if (fs::exists(path, ec)) {
        error = Tr("%1: not a folder", {folder});
        return false;
    }
    fs::create_directories(path, ec);
    if (!ec) return true;
    error = Tr("%1: cannot make the folder (%2)", {folder, ec.message()});
    return false;
}

}  // namespace tessera
