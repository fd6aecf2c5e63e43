// What the export needs of a file system: targets to write and the limits of
// their names. LocalFileSystem implements it for this system, the tests in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "export/seams/TargetFile.h"

namespace tessera {

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // Something (a file, a folder, a device) exists at `path`.
    virtual bool Exists(const std::string& path) = 0;
    // Opens a target. Only a regular file is ever replaced or cut back: a
    // device or pipe is written as it is, a folder is refused. Null when the
    // target cannot be opened (TakeFailure tells why).
    virtual std::unique_ptr<TargetFile> Open(const std::string& path, TargetMode mode) = 0;
    // Longest whole path the file system takes, in bytes (0: no limit of its own).
    virtual size_t MaxPathBytes() const = 0;
    // Ends a run's writing: files whose commit waited for one flush of the
    // whole run (.eml files replacing older ones) are flushed and put in
    // place. Returns how many complete files could not be (TakeFailure tells
    // the last, and where its content is); called once a run, however it ends.
    virtual int FinishRun() { return 0; }
    // "path: reason" of the last failure, in the system's text, then forgotten;
    // empty when none was noted.
    virtual std::string TakeFailure() = 0;
    // Dates the file at `path` at `utcSeconds` since 1970: its modification
    // time, and its creation time where the system keeps one. False when it
    // cannot (the failure is noted for TakeFailure).
    virtual bool SetFileTime(const std::string& path, int64_t utcSeconds) = 0;
    // Makes the folder `path` (its parent exists); true when it is there
    // afterwards, a folder made before included.
    virtual bool MakeFolder(const std::string& path) = 0;
    // Moves a file to a name not taken yet; false, both names as they were,
    // when it cannot.
    virtual bool Move(const std::string& from, const std::string& to) = 0;
    // Removes a file the export made.
    virtual void Remove(const std::string& path) = 0;
};

}  // namespace tessera
