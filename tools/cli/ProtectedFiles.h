// The files an export reads. They are known by device and inode, so that
// another name, a symbolic link or a hard link of one of them is recognised
// too; the export never writes, empties or removes one of them.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

namespace tessera {

class ProtectedFiles {
public:
    // Adds the file at `path`; nothing when it cannot be looked at.
    void Add(const std::string& path);
    // Adds the regular file open on descriptor `fd` (standard input).
    void AddOpen(int fd);
    // True when `path` names one of the files.
    bool Holds(const std::string& path) const;
    // True when the open descriptor `fd` is one of the files.
    bool HoldsOpen(int fd) const;

private:
    using Identity = std::pair<dev_t, ino_t>;
    bool Contains(const Identity& identity) const;

    mutable std::vector<Identity> files_;  // sorted on the first question
    mutable bool sorted_ = true;
};

}  // namespace tessera
