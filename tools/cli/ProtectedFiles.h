// The files an export reads. They are known by the system's identity of a
// file (device and inode; volume and file index on Windows), so that another
// name, a symbolic link or a hard link of one of them is recognised too; the
// export never writes, empties or removes one of them.
// Twins: ProtectedFiles_posix.cpp, ProtectedFiles_win.cpp.
#pragma once

#include <cstdint>
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
    using Identity = std::pair<uint64_t, uint64_t>;
    // The identity of the file at `path` or open on `fd`; false when there is none.
    static bool IdentityOf(const std::string& path, Identity& identity);
    static bool IdentityOfOpen(int fd, Identity& identity);
    bool Contains(const Identity& identity) const;

    mutable std::vector<Identity> files_;  // sorted on the first question
    mutable bool sorted_ = true;
};

}  // namespace tessera
