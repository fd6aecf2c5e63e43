// The Windows build's memcpy and memmove, linked in place of the C runtime's:
// the engine copies many short runs (a line, a header, a piece of a word), and
// the runtime's copy checks its arguments on every call and moves a run's first
// and last bytes one at a step. Here a run of up to 32 bytes is two pairs of
// overlapping loads and stores, longer ones go sixteen bytes at a step (SSE2,
// as the scans). Every load of a step comes before its store, so overlapping
// runs copy as memmove must; memcpy is the same routine.
// Built with -fno-builtin and without loop-to-call rewriting: the compiler must
// not turn these loops into calls of themselves.
#include <emmintrin.h>

#include <cstddef>
#include <cstdint>

namespace {

inline __m128i Load16(const unsigned char* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void Store16(unsigned char* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}
inline __m128i Load8(const unsigned char* p) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}
inline void Store8(unsigned char* p, __m128i v) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
}
inline uint32_t Load4(const unsigned char* p) {
    uint32_t v;
    __builtin_memcpy(&v, p, 4);
    return v;
}
inline void Store4(unsigned char* p, uint32_t v) { __builtin_memcpy(p, &v, 4); }

// Up to 32 bytes: everything is read before anything is written.
inline void CopyShort(unsigned char* d, const unsigned char* s, size_t n) {
    if (n >= 16) {
        const __m128i head = Load16(s), tail = Load16(s + n - 16);
        Store16(d, head);
        Store16(d + n - 16, tail);
    } else if (n >= 8) {
        const __m128i head = Load8(s), tail = Load8(s + n - 8);
        Store8(d, head);
        Store8(d + n - 8, tail);
    } else if (n >= 4) {
        const uint32_t head = Load4(s), tail = Load4(s + n - 4);
        Store4(d, head);
        Store4(d + n - 4, tail);
    } else if (n > 0) {
        const unsigned char first = s[0], middle = s[n / 2], last = s[n - 1];
        d[0] = first;
        d[n / 2] = middle;
        d[n - 1] = last;
    }
}

}  // namespace

extern "C" void* memmove(void* to, const void* from, size_t n) {
    unsigned char* d = static_cast<unsigned char*>(to);
    const unsigned char* s = static_cast<const unsigned char*>(from);
    if (n <= 32) {
        CopyShort(d, s, n);
        return to;
    }
    if (reinterpret_cast<uintptr_t>(d) - reinterpret_cast<uintptr_t>(s) >= n) {
        // Forward: the destination starts before the source or does not meet it.
        // The last block is read first and written last.
        const __m128i tail = Load16(s + n - 16);
        unsigned char* const tailAt = d + n - 16;
        for (; n > 16; n -= 16, s += 16, d += 16) Store16(d, Load16(s));
        Store16(tailAt, tail);
    } else {
        // Backward: the destination starts inside the source.
        const __m128i head = Load16(s);
        unsigned char* const headAt = d;
        for (; n > 16; n -= 16) Store16(d + n - 16, Load16(s + n - 16));
        Store16(headAt, head);
    }
    return to;
}

extern "C" void* memcpy(void* to, const void* from, size_t n) { return memmove(to, from, n); }
