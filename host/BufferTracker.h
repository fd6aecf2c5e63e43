// Host buffers handed to the plug-in, tracked so that tests can prove each one
// is released exactly once.
#pragma once

#include <cstddef>
#include <mutex>
#include <unordered_set>

namespace tessera {

class BufferTracker {
  public:
    // A new buffer of `size` bytes (at least 1); null when allocation fails.
    char* Allocate(size_t size);
    // Releases a buffer; an unknown or already released pointer is counted, not freed.
    void Release(void* buffer);

    size_t Allocated() const;
    size_t Released() const;
    size_t Live() const;
    size_t BadReleases() const;  // double frees and pointers never handed out
    void Reset();

  private:
    mutable std::mutex mutex_;
    std::unordered_set<void*> live_;
    size_t allocated_ = 0;
    size_t released_ = 0;
    size_t badReleases_ = 0;
};

}  // namespace tessera
