#include "export/FolderPath.h"

#include "export/ShiftJisText.h"

namespace tessera {

std::string WithTrailingBackslash(const std::string& path) {
    if (path.empty() || EndsInBackslash(path)) return path;
    return path + '\\';
}

std::string BrowseStartFolder(const std::string& path) {
    if (path.size() <= 3 || !EndsInBackslash(path)) return path;
    return path.substr(0, path.size() - 1);
}

std::string FolderWithSeparator(const std::string& folder) {
    // No Shift-JIS trail byte is '/', so a POSIX folder's last byte decides.
    if (!folder.empty() && (folder.back() == '/' || EndsInBackslash(folder))) return folder;
    return folder + '\\';
}

}  // namespace tessera
