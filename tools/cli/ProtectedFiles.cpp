#include "tools/cli/ProtectedFiles.h"

#include <sys/stat.h>

#include <algorithm>

namespace tessera {

void ProtectedFiles::Add(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return;
    files_.emplace_back(info.st_dev, info.st_ino);
    sorted_ = false;
}

void ProtectedFiles::AddOpen(int fd) {
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return;
    files_.emplace_back(info.st_dev, info.st_ino);
    sorted_ = false;
}

bool ProtectedFiles::Holds(const std::string& path) const {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && Contains({info.st_dev, info.st_ino});
}

bool ProtectedFiles::HoldsOpen(int fd) const {
    struct stat info;
    return fstat(fd, &info) == 0 && Contains({info.st_dev, info.st_ino});
}

bool ProtectedFiles::Contains(const Identity& identity) const {
    if (!sorted_) {
        std::sort(files_.begin(), files_.end());
        sorted_ = true;
    }
    return std::binary_search(files_.begin(), files_.end(), identity);
}

}  // namespace tessera
