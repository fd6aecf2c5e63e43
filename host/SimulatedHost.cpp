#include "host/SimulatedHost.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "host/EucJpConverter.h"
#include "host/Iso2022JpConverter.h"
#include "host/MimeHeaderDecoder.h"

namespace tessera {

namespace {
// The top-level header block is looked for in this much of a source.
constexpr size_t kCharsetScanBytes = 256 * 1024;
}  // namespace

SimulatedHost& SimulatedHost::Instance() {
    static SimulatedHost host;
    return host;
}

void SimulatedHost::Reset() {
    messages_.Clear();
    buffers_.Reset();
    faults_.Clear();
    selectionActive_ = true;
    sourceDelayMs_ = 0;
    sourceObserver_ = nullptr;
    nextMailCalls_ = 0;
    longestSource_ = {};
    charsetIndex_ = -1;
    charset_.clear();
    lastNulIndex_ = -1;
    nulExplained_ = false;
}

std::string SimulatedMessageId(size_t index) { return "msg" + std::to_string(index + 1) + "@sim"; }

long SimulatedHost::IndexOf(const char* id) const {
    if (!id || std::strncmp(id, "msg", 3) != 0) return -1;
    char* end = nullptr;
    long n = std::strtol(id + 3, &end, 10);
    if (!end || std::strcmp(end, "@sim") != 0 || n < 1) return -1;
    if (!messages_.Has(static_cast<size_t>(n) - 1)) return -1;
    return n - 1;
}

double SimulatedHost::LongestSourceMs() const {
    return std::chrono::duration<double, std::milli>(longestSource_).count();
}

// Positions are message indexes: -1 starts, the result is the next start.
long SimulatedHost::GetNextMail(long start, char* idBuffer, int size, int mode) {
    ++nextMailCalls_;
    if (mode == 1 && !selectionActive_) return -1;
    long index = start < 0 ? 0 : start + 1;
    if (!messages_.Has(static_cast<size_t>(index))) return -1;
    if (idBuffer && size > 0) {
        std::string id = SimulatedMessageId(static_cast<size_t>(index));
        size_t n = std::min(id.size(), static_cast<size_t>(size));
        std::memcpy(idBuffer, id.data(), n);
        idBuffer[n < static_cast<size_t>(size) ? n : size - 1] = '\0';
    }
    return index;
}

char* SimulatedHost::GetSource(const char* id) {
    if (faults_.ShouldFail("BKA_GetSource")) return nullptr;
    long index = IndexOf(id);
    if (index < 0) return nullptr;
    if (sourceObserver_) sourceObserver_(index);
    const auto start = std::chrono::steady_clock::now();
    char* source = ReadSource(index);
    longestSource_ = std::max(longestSource_, std::chrono::steady_clock::now() - start);
    return source;
}

char* SimulatedHost::ReadSource(long index) {
    if (sourceDelayMs_ > 0) std::this_thread::sleep_for(std::chrono::milliseconds(sourceDelayMs_));
    // Read straight into the host buffer: sources can be large.
    uint64_t size = messages_.SizeHint(static_cast<size_t>(index));
    char* buffer = size < SIZE_MAX ? buffers_.Allocate(static_cast<size_t>(size) + 1) : nullptr;
    size_t length = 0;
    if (!buffer) {
        messages_.AddProblem(messages_.Name(static_cast<size_t>(index)) +
                             ": too large to hold in memory (" + std::to_string(size) + " bytes)");
        return nullptr;
    }
    if (!messages_.SourceInto(static_cast<size_t>(index), buffer, length)) {
        buffers_.Release(buffer);
        return nullptr;
    }
    buffer[length] = '\0';  // the host's text ends at its first NUL
    if (std::memchr(buffer, '\0', length)) NoteNulByte(index);
    charsetIndex_ = index;
    charset_ =
        TopLevelCharset(std::string_view(buffer, std::min<size_t>(length, kCharsetScanBytes)));
    return buffer;
}

void SimulatedHost::NoteNulByte(long index) {
    if (index <= lastNulIndex_) return;  // the same message asked for again
    lastNulIndex_ = index;
    std::string name = messages_.Name(static_cast<size_t>(index));
    if (nulExplained_) {
        messages_.AddProblem(name + ": holds a NUL byte; the text after it was left out");
        return;
    }
    nulExplained_ = true;
    messages_.AddProblem(name +
                         ": holds a NUL byte; the text after it was left out (a message "
                         "reaches the plug-in as NUL-terminated text, so nothing after a NUL can)");
}

int SimulatedHost::GetCharSet(const char* id, char* buffer, int size) {
    long index = IndexOf(id);
    if (index < 0 || !buffer || size <= 0) return 0;
    if (index != charsetIndex_) {
        std::string text;
        if (!messages_.Source(static_cast<size_t>(index), text)) return 0;
        charsetIndex_ = index;
        charset_ = TopLevelCharset(text);
    }
    const std::string& charset = charset_;
    size_t n = std::min(charset.size(), static_cast<size_t>(size) - 1);
    std::memcpy(buffer, charset.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

char* SimulatedHost::MimeHeader(const char* text, char*, int, int) {
    if (!text || faults_.ShouldFail("BKA_MIMEHeader")) return nullptr;
    scratch_.clear();
    AppendDecodedMimeHeader(text, scratch_);
    return NewBuffer(scratch_);
}

char* SimulatedHost::Iso2022Jp(const char* text, int) {
    if (!text || faults_.ShouldFail("BKA_ISO_2022_JP")) return nullptr;
    scratch_.clear();
    AppendIso2022JpAsShiftJis(text, scratch_);
    return NewBuffer(scratch_);
}

char* SimulatedHost::EucJp(const char* text, int) {
    if (!text || faults_.ShouldFail("BKA_EUC_JP")) return nullptr;
    scratch_.clear();
    AppendEucJpAsShiftJis(text, scratch_);
    return NewBuffer(scratch_);
}

void* SimulatedHost::Alloc(int size) {
    if (size < 0 || faults_.ShouldFail("BKA_Alloc")) return nullptr;
    return buffers_.Allocate(static_cast<size_t>(size));
}

void SimulatedHost::Free(void* buffer) { buffers_.Release(buffer); }

char* SimulatedHost::NewBuffer(const std::string& text) {
    char* buffer = buffers_.Allocate(text.size() + 1);
    if (!buffer) return nullptr;
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    return buffer;
}

namespace {

long TESSERA_HOSTCALL NativeGetNextMail(long start, char* id, int size, int mode) {
    return SimulatedHost::Instance().GetNextMail(start, id, size, mode);
}
char* TESSERA_HOSTCALL NativeGetSource(const char* id) {
    return SimulatedHost::Instance().GetSource(id);
}
int TESSERA_HOSTCALL NativeGetCharSet(const char* id, char* buffer, int size) {
    return SimulatedHost::Instance().GetCharSet(id, buffer, size);
}
char* TESSERA_HOSTCALL NativeMimeHeader(const char* text, char* scratch, int size, int flags) {
    return SimulatedHost::Instance().MimeHeader(text, scratch, size, flags);
}
char* TESSERA_HOSTCALL NativeIso2022Jp(const char* text, int flags) {
    return SimulatedHost::Instance().Iso2022Jp(text, flags);
}
char* TESSERA_HOSTCALL NativeEucJp(const char* text, int flags) {
    return SimulatedHost::Instance().EucJp(text, flags);
}
void* TESSERA_HOSTCALL NativeAlloc(int size) { return SimulatedHost::Instance().Alloc(size); }
void TESSERA_HOSTCALL NativeFree(void* buffer) { SimulatedHost::Instance().Free(buffer); }

}  // namespace

HostApi MakeSimulatedHostApi() {
    HostApi api;
    api.GetNextMail = NativeGetNextMail;
    api.GetSource = NativeGetSource;
    api.GetCharSet = NativeGetCharSet;
    api.MIMEHeader = NativeMimeHeader;
    api.ISO_2022_JP = NativeIso2022Jp;
    api.EUC_JP = NativeEucJp;
    api.Alloc = NativeAlloc;
    api.Free = NativeFree;
    return api;
}

}  // namespace tessera
