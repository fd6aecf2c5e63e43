// The files of this system as the export's FileSystem: a replacement is
// written beside its target and renamed over it; an append is cut back when a
// message fails. Twins: LocalFileSystem_posix.cpp, LocalFileSystem_win.cpp.
#pragma once

#include "export/FileSystem.h"

namespace tessera {

class LocalFileSystem : public FileSystem {
public:
    bool Exists(const std::string& path) override;
    std::unique_ptr<TargetFile> Open(const std::string& path, TargetMode mode) override;
    size_t MaxPathBytes() const override;
    std::string TakeFailure() override;

    // `path` ending in the system's folder separator, for names to go behind.
    static std::string AsFolder(const std::string& path);

    // Notes "path: reason" for TakeFailure; `error` is the system's error code.
    void NoteFailure(const std::string& path, int error);

private:
    std::string failure_;
};

}  // namespace tessera
