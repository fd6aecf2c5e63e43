// The files of this system as the export's FileSystem. A regular target is
// written as a new file beside it (an append starting from a copy of the old
// content) and renamed over it on commit, so that even a killed process
// leaves the old file or the new one whole, flushed to disk before the rename
// (a new file that replaces nothing only once, at the end of the run).
// Where no file or copy fits beside it, an append goes in place and a failed
// message is cut back. A target the user may not write is refused.
// Twins: LocalFileSystem_posix.cpp, LocalFileSystem_win.cpp.
#pragma once

#include <set>
#include <string>

#include "export/seams/FileSystem.h"

namespace tessera {

class LocalFileSystem : public FileSystem {
  public:
    LocalFileSystem() = default;
    // Flushes the folders of SyncAtEnd.
    ~LocalFileSystem() override;
    LocalFileSystem(const LocalFileSystem&) = delete;
    LocalFileSystem& operator=(const LocalFileSystem&) = delete;

    bool Exists(const std::string& path) override;
    std::unique_ptr<TargetFile> Open(const std::string& path, TargetMode mode) override;
    size_t MaxPathBytes() const override;
    std::string TakeFailure() override;
    bool SetFileTime(const std::string& path, int64_t utcSeconds) override;
    bool MakeFolder(const std::string& path) override;
    bool Move(const std::string& from, const std::string& to) override;
    void Remove(const std::string& path) override;

    // `path` ending in the system's folder separator, for names to go behind.
    static std::string AsFolder(const std::string& path);
    // False for a path of another system (a drive letter or '\' on POSIX),
    // which would only become a strange file name here.
    static bool IsPathOfThisSystem(const std::string& path);

    // Notes "path: reason" for TakeFailure; `error` is the system's error code.
    void NoteFailure(const std::string& path, int error);
    void NoteFailure(const std::string& path, const std::string& reason);
    // The system's text for its error code `error`.
    static std::string SystemReason(unsigned long error);

    // Removes, the first time a run writes into `folder`, the new files that
    // exports killed outright left there.
    void SweepOnce(const std::string& folder);
    // New files that replaced nothing went into `folder` unflushed: it is
    // flushed once when the run's files are done (where the system can).
    void SyncAtEnd(const std::string& folder);

  private:
    std::string failure_;
    std::set<std::string> swept_;
    std::set<std::string> unsynced_;
};

}  // namespace tessera
