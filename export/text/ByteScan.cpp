#include "export/text/ByteScan.h"

#include <cstdint>
#include <cstring>
#if !defined(_WIN32)
#include <string.h>  // strnlen
#endif

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tessera {

#if defined(__SSE2__)

namespace {

// Bit i set where byte i of the block equals `wanted`.
inline unsigned Matches(__m128i block, __m128i wanted) {
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, wanted)));
}

inline __m128i Load(const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

#if defined(_WIN32)
// An aligned 16-byte block never crosses a page, so a search for the NUL may read
// the rest of the block that holds it, before or after the text: the address
// sanitizer would call that an overflow, so these loads are not instrumented.
__attribute__((no_sanitize_address)) inline unsigned NulsInBlock(uintptr_t block) {
    return Matches(_mm_load_si128(reinterpret_cast<const __m128i*>(block)), _mm_setzero_si128());
}
#endif

}  // namespace

const char* FindLineBreak(const char* from, const char* end) {
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    for (; end - from >= 16; from += 16) {
        const __m128i block = Load(from);
        if (unsigned m = Matches(block, cr) | Matches(block, lf)) return from + __builtin_ctz(m);
    }
    for (; from < end; ++from) {
        if (*from == '\r' || *from == '\n') return from;
    }
    return nullptr;
}

bool HoldsByteOrEightBit(const char* from, const char* end, char byte) {
    const __m128i wanted = _mm_set1_epi8(byte);
    for (; end - from >= 16; from += 16) {
        const __m128i block = Load(from);
        // The mask takes each byte's top bit: set for 8-bit bytes and for matches.
        if (_mm_movemask_epi8(_mm_or_si128(block, _mm_cmpeq_epi8(block, wanted))) != 0) return true;
    }
    for (; from < end; ++from) {
        if (*from == byte || (*from & 0x80) != 0) return true;
    }
    return false;
}

const char* FindByteOrNul(const char* from, const char* end, char byte) {
    const __m128i wanted = _mm_set1_epi8(byte);
    const __m128i nul = _mm_setzero_si128();
    // A byte is `byte` or NUL where it or its difference from `byte` is the
    // smaller and zero: one comparison finds both.
    const auto either = [&](__m128i block) {
        return Matches(_mm_min_epu8(_mm_xor_si128(block, wanted), block), nul);
    };
    for (; end - from >= 32; from += 32) {
        if (unsigned m = either(Load(from)) | either(Load(from + 16)) << 16)
            return from + __builtin_ctz(m);
    }
    for (; end - from >= 16; from += 16) {
        if (unsigned m = either(Load(from))) return from + __builtin_ctz(m);
    }
    for (; from < end; ++from) {
        if (*from == byte || *from == '\0') return from;
    }
    return nullptr;
}

#else

const char* FindLineBreak(const char* from, const char* end) {
    for (; from < end; ++from) {
        if (*from == '\r' || *from == '\n') return from;
    }
    return nullptr;
}

bool HoldsByteOrEightBit(const char* from, const char* end, char byte) {
    for (; from < end; ++from) {
        if (*from == byte || (*from & 0x80) != 0) return true;
    }
    return false;
}

const char* FindByteOrNul(const char* from, const char* end, char byte) {
    for (; from < end; ++from) {
        if (*from == byte || *from == '\0') return from;
    }
    return nullptr;
}

#endif

// The Windows C runtime reads one byte at a step; elsewhere the C library's
// own are the fastest there are.
#if defined(__SSE2__) && defined(_WIN32)

const char* FindByte(const char* from, const char* end, char byte) {
    const __m128i wanted = _mm_set1_epi8(byte);
    for (; end - from >= 16; from += 16) {
        if (unsigned m = Matches(Load(from), wanted)) return from + __builtin_ctz(m);
    }
    for (; from < end; ++from) {
        if (*from == byte) return from;
    }
    return nullptr;
}

__attribute__((no_sanitize_address)) size_t TextLengthWithin(const char* text, size_t limit) {
    if (limit == 0) return 0;
    const uintptr_t start = reinterpret_cast<uintptr_t>(text);
    const uintptr_t stop = limit > UINTPTR_MAX - start ? UINTPTR_MAX : start + limit;
    uintptr_t block = start & ~uintptr_t(15);
    unsigned m = NulsInBlock(block) >> (start - block);
    if (m) {
        const size_t length = __builtin_ctz(m);
        return length < limit ? length : limit;
    }
    for (block += 16; block < stop; block += 16) {
        if ((m = NulsInBlock(block)) != 0) {
            const size_t length = block + __builtin_ctz(m) - start;
            return length < limit ? length : limit;
        }
    }
    return limit;
}

size_t TextLength(const char* text) { return TextLengthWithin(text, SIZE_MAX); }

#else

const char* FindByte(const char* from, const char* end, char byte) {
    return from < end
               ? static_cast<const char*>(std::memchr(from, byte, static_cast<size_t>(end - from)))
               : nullptr;
}

size_t TextLength(const char* text) { return std::strlen(text); }

size_t TextLengthWithin(const char* text, size_t limit) {
#if defined(_WIN32)
    size_t length = 0;
    while (length < limit && text[length] != '\0') ++length;
    return length;
#else
    return strnlen(text, limit);
#endif
}

#endif

}  // namespace tessera
