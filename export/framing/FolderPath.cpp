#include "export/framing/FolderPath.h"

#include "export/text/ShiftJisText.h"

namespace tessera {

std::string WithTrailingBackslash(const std::string& path) {
    if (path.empty() || EndsInBackslash(path)) return path;
    return path + '\\';
}

std::string BrowseStartFolder(const std::string& path) {
    if (path.size() <= 3 || !EndsInBackslash(path)) return path;
    return path.substr(0, path.size() - 1);
}

std::string FolderWithSeparator(const std::string& folder, char separator) {
    // No Shift-JIS trail byte is '/', so a folder ending in '/' ends in a separator.
    if (!folder.empty() && folder.back() == '/') return folder;
    if (separator == '\\' && EndsInBackslash(folder)) return folder;
    return folder + separator;
}

}  // namespace tessera
