#include "export/mime/LineArena.h"

#include <cstdlib>
#include <mutex>
#include <new>

namespace tessera {

namespace {

constexpr size_t kChunkBytes = 256 * 1024;    // a standard chunk's room
constexpr size_t kOwnChunkAbove = 64 * 1024;  // longer requests get a chunk of their own
constexpr size_t kSpareChunks = 16;           // 4 MiB kept for the next messages
constexpr size_t kAlign = alignof(std::max_align_t);

size_t RoundUp(size_t n) { return (n + kAlign - 1) & ~(kAlign - 1); }

// Standard chunks given back, kept for the next messages: every message needs
// them again, and fresh memory costs a page fault per page. (No thread_local:
// the plug-in DLL may be unloaded while the host's threads live on.)
struct SparePool {
    std::mutex mutex;
    void* chunks[kSpareChunks];
    size_t count = 0;
    ~SparePool() {
        while (count > 0) std::free(chunks[--count]);
    }
};

SparePool spares;

}  // namespace

struct LineArena::Chunk {
    Chunk* next;
    size_t size;  // usable bytes after the header
    size_t used;
};

namespace {
const size_t kHeader = RoundUp(sizeof(LineArena::Chunk));
}

LineArena::Chunk* LineArena::NewChunk(size_t size) {
    void* block = nullptr;
    if (size == kChunkBytes) {
        std::lock_guard<std::mutex> lock(spares.mutex);
        if (spares.count > 0) block = spares.chunks[--spares.count];
    }
    if (block == nullptr) {
        block = std::malloc(kHeader + size);
        if (block == nullptr) throw std::bad_alloc();
    }
    Chunk* chunk = static_cast<Chunk*>(block);
    chunk->size = size;
    chunk->used = 0;
    return chunk;
}

void LineArena::FreeChunk(Chunk* chunk) {
    if (chunk->size == kChunkBytes) {
        std::lock_guard<std::mutex> lock(spares.mutex);
        if (spares.count < kSpareChunks) {
            spares.chunks[spares.count++] = chunk;
            return;
        }
    }
    std::free(chunk);
}

void* LineArena::Allocate(size_t bytes) {
    if (bytes > kOwnChunkAbove) {
        // Behind the current chunk, so that the current one's free room stays in use.
        Chunk* own = NewChunk(RoundUp(bytes));
        own->used = bytes;
        own->next = head_ ? head_->next : nullptr;
        if (head_) {
            head_->next = own;
        } else {
            head_ = own;
        }
        return reinterpret_cast<char*>(own) + kHeader;
    }
    // `used` is kept exact so that the latest block can grow; starts are aligned.
    const size_t start = head_ ? RoundUp(head_->used) : 0;
    if (head_ == nullptr || head_->size != kChunkBytes || kChunkBytes - start < bytes) {
        Chunk* chunk = NewChunk(kChunkBytes);
        chunk->next = head_;
        head_ = chunk;
        return Allocate(bytes);
    }
    head_->used = start + bytes;
    return reinterpret_cast<char*>(head_) + kHeader + start;
}

bool LineArena::TryGrow(char* end, size_t more) {
    if (head_ == nullptr || end != reinterpret_cast<char*>(head_) + kHeader + head_->used)
        return false;
    if (head_->size - head_->used < more) return false;
    head_->used += more;
    return true;
}

size_t LineArena::BytesHeld() const {
    size_t bytes = 0;
    for (const Chunk* chunk = head_; chunk != nullptr; chunk = chunk->next)
        bytes += kHeader + chunk->size;
    return bytes;
}

void LineArena::Reset() {
    Chunk* chunk = head_;
    while (chunk != nullptr) {
        Chunk* next = chunk->next;
        FreeChunk(chunk);
        chunk = next;
    }
    head_ = nullptr;
}

}  // namespace tessera
