// The files of this system as the export's FileSystem. A regular target is
// written as a new file beside it (an append starting from a copy of the old
// content) and renamed over it on commit, so that even a killed process
// leaves the old file or the new one whole. Where no file can be made beside
// it, an append goes in place and a failed message is cut back.
// Twins: LocalFileSystem_posix.cpp, LocalFileSystem_win.cpp.
#pragma once

#include "export/FileSystem.h"

namespace tessera {

class LocalFileSystem : public FileSystem {
  public:
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

  private:
    std::string failure_;
};

}  // namespace tessera
