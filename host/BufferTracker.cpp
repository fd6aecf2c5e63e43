#include "host/BufferTracker.h"

#include <cstdlib>

namespace tessera {

char* BufferTracker::Allocate(size_t size) {
    char* buffer = static_cast<char*>(std::malloc(size ? size : 1));
    if (!buffer) return nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    live_.insert(buffer);
    ++allocated_;
    return buffer;
}

void BufferTracker::Release(void* buffer) {
    if (!buffer) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (live_.erase(buffer) == 0) {
        ++badReleases_;
        return;
    }
    ++released_;
    std::free(buffer);
}

size_t BufferTracker::Allocated() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return allocated_;
}

size_t BufferTracker::Released() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return released_;
}

size_t BufferTracker::Live() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return live_.size();
}

size_t BufferTracker::BadReleases() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return badReleases_;
}

void BufferTracker::Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (void* buffer : live_) std::free(buffer);
    live_.clear();
    allocated_ = released_ = badReleases_ = 0;
}

}  // namespace tessera
