#include "tools/cli/OutputFolder.h"

#include <filesystem>
#include <system_error>

#include "mailstore/NativePath.h"

namespace tessera {

namespace fs = std::filesystem;

bool MakeFolder(const std::string& folder, std::string& error) {
    std::error_code ec;
    const fs::path path = ToFsPath(folder);
    if (fs::is_directory(path, ec)) return true;
    if (fs::exists(path, ec)) {
        error = folder + ": not a folder";
        return false;
    }
    fs::create_directories(path, ec);
    if (!ec) return true;
    error = folder + ": cannot make the folder (" + ec.message() + ")";
    return false;
}

}  // namespace tessera
