#include "tools/cli/ProtectedFiles.h"

#include <algorithm>

namespace tessera {

void ProtectedFiles::Add(const std::string& path) {
    Identity identity;
    if (!IdentityOf(path, identity)) return;
    files_.push_back(identity);
    sorted_ = false;
}

void ProtectedFiles::AddOpen(int fd) {
    Identity identity;
    if (!IdentityOfOpen(fd, identity)) return;
    files_.push_back(identity);
    sorted_ = false;
}

bool ProtectedFiles::Holds(const std::string& path) const {
    Identity identity;
    return IdentityOf(path, identity) && Contains(identity);
}

bool ProtectedFiles::HoldsOpen(int fd) const {
    Identity identity;
    return IdentityOfOpen(fd, identity) && Contains(identity);
}

bool ProtectedFiles::Contains(const Identity& identity) const {
    if (!sorted_) {
        std::sort(files_.begin(), files_.end());
        sorted_ = true;
    }
    return std::binary_search(files_.begin(), files_.end(), identity);
}

}  // namespace tessera
