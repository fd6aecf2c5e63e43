// The files of the command line: the system's own, with "-" for standard
// output, and with --if-exists cancel an existing .eml file kept (its message
// is skipped and told).
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "export/seams/FileSystem.h"
#include "platform/LocalFileSystem.h"

namespace tessera {

class CliFileSystem : public FileSystem {
  public:
    // `keepExisting`: a name the export made that exists is not replaced;
    // `tell` says so, naming it.
    CliFileSystem(bool keepExisting, std::function<void(const std::string&)> tell);

    bool Exists(const std::string& path) override;
    std::unique_ptr<TargetFile> Open(const std::string& path, TargetMode mode) override;
    size_t MaxPathBytes() const override { return local_.MaxPathBytes(); }
    std::string TakeFailure() override;
    bool SetFileTime(const std::string& path, int64_t utcSeconds) override {
        return local_.SetFileTime(path, utcSeconds);
    }
    bool MakeFolder(const std::string& path) override { return local_.MakeFolder(path); }
    bool Move(const std::string& from, const std::string& to) override {
        return local_.Move(from, to);
    }
    void Remove(const std::string& path) override { local_.Remove(path); }
    int FinishRun() override { return local_.FinishRun(); }

    // Messages skipped because their file existed.
    int Kept() const { return kept_; }

  private:
    LocalFileSystem local_;
    bool keepExisting_;
    std::function<void(const std::string&)> tell_;
    std::string failure_;  // of standard output
    int kept_ = 0;
};

}  // namespace tessera
