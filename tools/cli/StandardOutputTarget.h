// Standard output as the export's target ("--output -"). Each message goes
// out whole once complete; a failed one is dropped, since a stream cannot be
// cut back. A closed pipe fails the write like a full disk.
#pragma once

#include <cstdio>
#include <string>

#include "export/seams/TargetFile.h"

namespace tessera {

class StandardOutputTarget : public TargetFile {
  public:
    // `failure` receives "-: reason" when a write fails.
    StandardOutputTarget(FILE* stream, std::string& failure);
    ~StandardOutputTarget() override;

  private:
    bool Put(const char* data, size_t size) override;
    bool CutTo(uint64_t) override { return false; }
    bool Finish(bool keep) override;

    FILE* stream_;
    std::string& failure_;
};

}  // namespace tessera
