// The files of this system as the export's FileSystem. A regular target is
// written as a new file beside it (an append starting from a copy of the old
// content) and renamed over it on commit, so that even a killed process
// leaves the old file or the new one whole, flushed to disk before the rename.
// The many files of an .eml run share one flush (FinishRun) natively; on
// Windows, which has no such flush for a user, each replacement has its own.
// Where no file or copy fits beside it, an append goes in place and a failed
// message is cut back. A target the user may not write is refused.
// Twins: LocalFileSystem_posix.cpp, LocalFileSystem_win.cpp.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "export/seams/FileSystem.h"

namespace tessera {

class LocalFileSystem : public FileSystem {
  public:
    LocalFileSystem() = default;
    // Ends the run if it was not ended (FinishRun).
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
    // Flushes and places the files held for it (HoldForFlush), then flushes
    // the folders of SyncAtEnd.
    int FinishRun() override;

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
    // A complete new file `temp`, still open as `fd`, replaces `final` once
    // the run's flush has put it on the disk: one flush for the run, not
    // one a file. `shown` names it in failures.
    void HoldForFlush(int fd, const std::string& temp, const std::string& final,
                      const std::string& shown);

  private:
    struct HeldFile {
        int fd;
        std::string temp, final, shown;
    };
    // Files held at most before they are placed (each holds a descriptor).
    static constexpr size_t kHeldFiles = 256;

    // Flushes the held files and renames them into place; how many could not be.
    int PlaceHeld();

    std::string failure_;
    std::set<std::string> swept_;
    std::set<std::string> unsynced_;
    std::vector<HeldFile> held_;
    int heldUnplaced_ = 0;  // of batches placed before the run's end
};

}  // namespace tessera
