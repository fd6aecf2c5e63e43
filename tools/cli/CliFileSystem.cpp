#include "tools/cli/CliFileSystem.h"

#include <utility>

#include "tools/cli/CliOptions.h"
#include "tools/cli/StandardOutputTarget.h"

namespace tessera {

CliFileSystem::CliFileSystem(bool keepExisting, std::function<void(const std::string&)> tell)
    : keepExisting_(keepExisting), tell_(std::move(tell)) {}

bool CliFileSystem::Exists(const std::string& path) {
    return path != kStandardStream && local_.Exists(path);
}

std::unique_ptr<TargetFile> CliFileSystem::Open(const std::string& path, TargetMode mode) {
    if (path == kStandardStream) return std::make_unique<StandardOutputTarget>(stdout, failure_);
    if (mode == TargetMode::NewName && keepExisting_ && local_.Exists(path)) {
        ++kept_;
        tell_(path);
        return nullptr;
    }
    return local_.Open(path, mode);
}

std::string CliFileSystem::TakeFailure() {
    std::string failure = local_.TakeFailure();
    if (failure.empty()) failure.swap(failure_);
    failure_.clear();
    return failure;
}

}  // namespace tessera
