// Storage for the lines of one parsed message: taken in large chunks and
// given back all at once, instead of one heap block per line.
#pragma once

#include <cstddef>

namespace tessera {

class LineArena {
  public:
    LineArena() = default;
    ~LineArena() { Reset(); }
    LineArena(const LineArena&) = delete;
    LineArena& operator=(const LineArena&) = delete;

    // `bytes` of storage aligned for any object; valid until Reset.
    void* Allocate(size_t bytes);
    // Lengthens the latest allocation, whose end is `end`, by `more` bytes in
    // place; false (nothing changed) when that cannot be done.
    bool TryGrow(char* end, size_t more);
    // Gives back everything allocated.
    void Reset();
    // Bytes of the chunks held now.
    size_t BytesHeld() const;

    struct Chunk;

  private:
    static Chunk* NewChunk(size_t size);
    static void FreeChunk(Chunk* chunk);
    Chunk* head_ = nullptr;
};

}  // namespace tessera
