#include "mailstore/StoreHost.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "export/text/ByteScan.h"
#include "mailstore/EucJpConverter.h"
#include "mailstore/Iso2022JpConverter.h"

namespace tessera {

namespace {
// The top-level header block is looked for in this much of a source.
constexpr size_t kCharsetScanBytes = 256 * 1024;
// Buffers from kLentBytes on (sources, mostly) come from one kept for reuse, at
// least kReusedBytes large: under Wine the heap hands freed blocks of 64 KiB and
// more back to the system, and every such message faulted its pages in again.
// None larger than kKeptBytes is kept: it would stay while a large message is
// written, on top of what writing it takes.
constexpr size_t kLentBytes = 32 * 1024;
constexpr size_t kReusedBytes = 1024 * 1024;
constexpr size_t kKeptBytes = 8 * kReusedBytes;
}  // namespace

StoreHost::~StoreHost() {
    std::free(spare_);
    std::free(lent_);
}

std::string StoreMessageId(size_t index) { return "msg" + std::to_string(index + 1) + "@sim"; }

void StoreHost::Forget() {
    messages_.Clear();
    scratch_.clear();
    charsetIndex_ = -1;
    charset_.clear();
    lastNulIndex_ = -1;
    nulExplained_ = false;
}

long StoreHost::IndexOf(const char* id) const {
    if (!id || std::strncmp(id, "msg", 3) != 0) return -1;
    char* end = nullptr;
    long n = std::strtol(id + 3, &end, 10);
    if (!end || std::strcmp(end, "@sim") != 0 || n < 1) return -1;
    if (!messages_.Has(static_cast<size_t>(n) - 1)) return -1;
    return n - 1;
}

long StoreHost::GetNextMail(long start, char* idBuffer, int size, int) {
    long index = start < 0 ? 0 : start + 1;
    if (!messages_.Has(static_cast<size_t>(index))) return -1;
    if (idBuffer && size > 0) {
        std::string id = StoreMessageId(static_cast<size_t>(index));
        size_t n = std::min(id.size(), static_cast<size_t>(size));
        std::memcpy(idBuffer, id.data(), n);
        idBuffer[n < static_cast<size_t>(size) ? n : size - 1] = '\0';
    }
    return index;
}

char* StoreHost::GetSource(const char* id) {
    long index = IndexOf(id);
    return index < 0 ? nullptr : ReadSource(index);
}

char* StoreHost::ReadSource(long index) {
    // Read straight into the host buffer: sources can be large.
    uint64_t size = messages_.SizeHint(static_cast<size_t>(index));
    char* buffer = size < SIZE_MAX ? Allocate(static_cast<size_t>(size) + 1) : nullptr;
    size_t length = 0;
    if (!buffer) {
        messages_.AddProblem(messages_.Name(static_cast<size_t>(index)) +
                             ": too large to hold in memory (" + std::to_string(size) + " bytes)");
        return nullptr;
    }
    if (!messages_.SourceInto(static_cast<size_t>(index), buffer, length)) {
        Release(buffer);
        return nullptr;
    }
    buffer[length] = '\0';  // the host's text ends at its first NUL
    if (messages_.MayHoldNul(static_cast<size_t>(index)) && FindByte(buffer, buffer + length, '\0'))
        NoteNulByte(index);
    charsetIndex_ = index;
    charset_ =
        TopLevelCharset(std::string_view(buffer, std::min<size_t>(length, kCharsetScanBytes)));
    return buffer;
}

void StoreHost::NoteNulByte(long index) {
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

int StoreHost::GetCharSet(const char* id, char* buffer, int size) {
    long index = IndexOf(id);
    if (index < 0 || !buffer || size <= 0) return 0;
    if (index != charsetIndex_) {
        std::string text;
        if (!messages_.Source(static_cast<size_t>(index), text)) return 0;
        charsetIndex_ = index;
        charset_ = TopLevelCharset(text);
    }
    size_t n = std::min(charset_.size(), static_cast<size_t>(size) - 1);
    std::memcpy(buffer, charset_.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

char* StoreHost::Iso2022Jp(const char* text, int) {
    if (!text) return nullptr;
    scratch_.clear();
    AppendIso2022JpAsShiftJis(std::string_view(text, TextLength(text)), scratch_);
    return NewBuffer(scratch_);
}

char* StoreHost::EucJp(const char* text, int) {
    if (!text) return nullptr;
    scratch_.clear();
    AppendEucJpAsShiftJis(std::string_view(text, TextLength(text)), scratch_);
    return NewBuffer(scratch_);
}

void* StoreHost::Alloc(int size) {
    return size < 0 ? nullptr : Allocate(static_cast<size_t>(size));
}

char* StoreHost::NewBuffer(const std::string& text) {
    char* buffer = Allocate(text.size() + 1);
    if (!buffer) return nullptr;
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    return buffer;
}

char* StoreHost::Allocate(size_t size) {
    if (size < kLentBytes || lent_ != nullptr) {
        return static_cast<char*>(std::malloc(size == 0 ? 1 : size));
    }
    if (spare_ != nullptr && (spareBytes_ < size || spareBytes_ - size > size / 2 + kReusedBytes)) {
        std::free(spare_);
        spare_ = nullptr;
    }
    if (spare_ != nullptr) {
        lent_ = spare_;
        lentBytes_ = spareBytes_;
        spare_ = nullptr;
    } else {
        lentBytes_ = std::max(size, kReusedBytes);
        lent_ = std::malloc(lentBytes_);
    }
    return static_cast<char*>(lent_);
}

void StoreHost::Release(void* buffer) {
    if (buffer == nullptr || buffer != lent_ || lentBytes_ > kKeptBytes) {
        if (buffer != nullptr && buffer == lent_) lent_ = nullptr;
        std::free(buffer);
        return;
    }
    std::free(spare_);
    spare_ = lent_;
    spareBytes_ = lentBytes_;
    lent_ = nullptr;
}

namespace {

StoreHost* bound = nullptr;

long TESSERA_HOSTCALL BoundGetNextMail(long start, char* id, int size, int mode) {
    return bound->GetNextMail(start, id, size, mode);
}
char* TESSERA_HOSTCALL BoundGetSource(const char* id) { return bound->GetSource(id); }
int TESSERA_HOSTCALL BoundGetCharSet(const char* id, char* buffer, int size) {
    return bound->GetCharSet(id, buffer, size);
}
char* TESSERA_HOSTCALL BoundIso2022Jp(const char* text, int flags) {
    return bound->Iso2022Jp(text, flags);
}
char* TESSERA_HOSTCALL BoundEucJp(const char* text, int flags) { return bound->EucJp(text, flags); }
void* TESSERA_HOSTCALL BoundAlloc(int size) { return bound->Alloc(size); }
void TESSERA_HOSTCALL BoundFree(void* buffer) { bound->Free(buffer); }

}  // namespace

HostApi BindHostApi(StoreHost& host) {
    bound = &host;
    HostApi api;
    api.GetNextMail = BoundGetNextMail;
    api.GetSource = BoundGetSource;
    api.GetCharSet = BoundGetCharSet;
    api.ISO_2022_JP = BoundIso2022Jp;
    api.EUC_JP = BoundEucJp;
    api.Alloc = BoundAlloc;
    api.Free = BoundFree;
    return api;
}

}  // namespace tessera
