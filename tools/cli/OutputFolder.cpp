#include "tools/cli/OutputFolder.h"

#include <filesystem>
#include <system_error>

namespace tessera {

namespace fs = std::filesystem;

bool MakeFolder(const std::string& folder, std::string& error) {
    std::error_code ec;
    if (fs::is_directory(folder, ec)) return true;
    if (fs::exists(folder, ec)) {
        error = folder + ": not a folder";
        return false;
    }
    fs::create_directories(folder, ec);
    if (!ec) return true;
    error = folder + ": cannot make the folder (" + ec.message() + ")";
    return false;
}

bool IsWindowsPath(const std::string& path) {
    bool drive = path.size() >= 2 && path[1] == ':' &&
                 ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    return drive || path.find('\\') != std::string::npos;
}

}  // namespace tessera
