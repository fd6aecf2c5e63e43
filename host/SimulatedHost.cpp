#include "host/SimulatedHost.h"

#include <cstdlib>
#include <cstring>

#include "host/EucJpConverter.h"
#include "host/Iso2022JpConverter.h"
#include "host/MimeHeaderDecoder.h"

namespace tessera {

SimulatedHost& SimulatedHost::Instance() {
    static SimulatedHost host;
    return host;
}

void SimulatedHost::Reset() {
    messages_.Clear();
    buffers_.Reset();
    faults_.Clear();
    selectionActive_ = true;
    nextMailCalls_ = 0;
}

std::string SimulatedMessageId(size_t index) { return "msg" + std::to_string(index + 1) + "@sim"; }

long SimulatedHost::IndexOf(const char* id) const {
    if (!id || std::strncmp(id, "msg", 3) != 0) return -1;
    char* end = nullptr;
    long n = std::strtol(id + 3, &end, 10);
    if (!end || std::strcmp(end, "@sim") != 0 || n < 1) return -1;
    if (static_cast<size_t>(n) > messages_.Count()) return -1;
    return n - 1;
}

// Positions are message indexes: -1 starts, the result is the next start.
long SimulatedHost::GetNextMail(long start, char* idBuffer, int size, int mode) {
    ++nextMailCalls_;
    if (mode == 1 && !selectionActive_) return -1;
    long index = start < 0 ? 0 : start + 1;
    if (index >= static_cast<long>(messages_.Count())) return -1;
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
    std::string text;
    if (index < 0 || !messages_.Source(static_cast<size_t>(index), text)) return nullptr;
    // The host's text ends at its first NUL.
    size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    return NewBuffer(text);
}

int SimulatedHost::GetCharSet(const char* id, char* buffer, int size) {
    long index = IndexOf(id);
    std::string text;
    if (index < 0 || !buffer || size <= 0 || !messages_.Source(static_cast<size_t>(index), text)) {
        return 0;
    }
    std::string charset = TopLevelCharset(text);
    size_t n = std::min(charset.size(), static_cast<size_t>(size) - 1);
    std::memcpy(buffer, charset.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

char* SimulatedHost::MimeHeader(const char* text, char*, int, int) {
    if (!text || faults_.ShouldFail("BKA_MIMEHeader")) return nullptr;
    return NewBuffer(DecodeMimeHeader(text));
}

char* SimulatedHost::Iso2022Jp(const char* text, int) {
    if (!text || faults_.ShouldFail("BKA_ISO_2022_JP")) return nullptr;
    return NewBuffer(Iso2022JpToShiftJis(text));
}

char* SimulatedHost::EucJp(const char* text, int) {
    if (!text || faults_.ShouldFail("BKA_EUC_JP")) return nullptr;
    return NewBuffer(EucJpToShiftJis(text));
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
