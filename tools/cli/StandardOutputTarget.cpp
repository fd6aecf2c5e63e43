#include "tools/cli/StandardOutputTarget.h"

#include <cerrno>
#include <cstring>

#include "tools/cli/CliOptions.h"

namespace tessera {

StandardOutputTarget::StandardOutputTarget(FILE* stream, std::string& failure)
    : TargetFile(true), stream_(stream), failure_(failure) {
    Started(0, std::string());
}

StandardOutputTarget::~StandardOutputTarget() { Abort(); }

bool StandardOutputTarget::Put(const char* data, size_t size) {
    // Flushed at once: what a reader at the other end has seen is whole messages.
    if (std::fwrite(data, 1, size, stream_) == size && std::fflush(stream_) == 0) return true;
    failure_ = std::string(kStandardStream) + ": " + std::strerror(errno);
    std::clearerr(stream_);
    return false;
}

bool StandardOutputTarget::Finish(bool) { return std::fflush(stream_) == 0; }

}  // namespace tessera
