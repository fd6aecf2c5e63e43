#include "tools/cli/ProtectedFiles.h"

#include <sys/stat.h>

namespace tessera {

bool ProtectedFiles::IdentityOf(const std::string& path, Identity& identity) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return false;
    identity = {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
    return true;
}

bool ProtectedFiles::IdentityOfOpen(int fd, Identity& identity) {
    struct stat info;
    // Only a regular file can be an input that a target would write over.
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
    identity = {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
    return true;
}

}  // namespace tessera
