// A host for the fuzz targets: the simulated host's two converters behind the
// host functions the engine calls, with plain heap buffers.
#pragma once

#include <cstdlib>
#include <cstring>
#include <string>

#include "export/mime/MimePart.h"
#include "export/seams/HostApi.h"
#include "mailstore/EucJpConverter.h"
#include "mailstore/Iso2022JpConverter.h"

namespace tessera::fuzzing {

inline char* Buffer(const std::string& text) {
    char* out = static_cast<char*>(std::malloc(text.size() + 1));
    std::memcpy(out, text.c_str(), text.size() + 1);
    return out;
}

inline char* FuzzIso2022Jp(const char* text, int) { return Buffer(Iso2022JpToShiftJis(text)); }
inline char* FuzzEucJp(const char* text, int) { return Buffer(EucJpToShiftJis(text)); }
inline void FuzzFree(void* buffer) { std::free(buffer); }

inline HostApi FuzzHostApi() {
    HostApi api;
    api.ISO_2022_JP = FuzzIso2022Jp;
    api.EUC_JP = FuzzEucJp;
    api.Free = FuzzFree;
    return api;
}

inline void Check(bool condition) {
    if (!condition) std::abort();
}

// Every line of a written message ends in CR LF and fits the header limit.
inline void CheckLines(const std::string& text) {
    size_t start = 0;
    while (start < text.size()) {
        const size_t stop = text.find("\r\n", start);
        Check(stop != std::string::npos && stop - start <= kMaxFoldedHeaderBytes);
        start = stop + 2;
    }
}

}  // namespace tessera::fuzzing
