#include "host/SimulatedHost.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "host/MimeHeaderDecoder.h"

namespace tessera {

SimulatedHost& SimulatedHost::Instance() {
    static SimulatedHost host;
    return host;
}

void SimulatedHost::Reset() {
    Forget();
    buffers_.Reset();
    faults_.Clear();
    selectionActive_ = true;
    sourceDelayMs_ = 0;
    sourceObserver_ = nullptr;
    nextMailCalls_ = 0;
    longestSource_ = {};
}

double SimulatedHost::LongestSourceMs() const {
    return std::chrono::duration<double, std::milli>(longestSource_).count();
}

long SimulatedHost::GetNextMail(long start, char* idBuffer, int size, int mode) {
    ++nextMailCalls_;
    if (mode == 1 && !selectionActive_) return -1;
    return StoreHost::GetNextMail(start, idBuffer, size, mode);
}

char* SimulatedHost::GetSource(const char* id) {
    if (faults_.ShouldFail("BKA_GetSource")) return nullptr;
    long index = IndexOf(id);
    if (index < 0) return nullptr;
    if (sourceObserver_) sourceObserver_(index);
    const auto start = std::chrono::steady_clock::now();
    if (sourceDelayMs_ > 0) std::this_thread::sleep_for(std::chrono::milliseconds(sourceDelayMs_));
    char* source = ReadSource(index);
    longestSource_ = std::max(longestSource_, std::chrono::steady_clock::now() - start);
    return source;
}

char* SimulatedHost::MimeHeader(const char* text, char*, int, int) {
    if (!text || faults_.ShouldFail("BKA_MIMEHeader")) return nullptr;
    scratch_.clear();
    AppendDecodedMimeHeader(text, scratch_);
    return NewBuffer(scratch_);
}

char* SimulatedHost::Iso2022Jp(const char* text, int flags) {
    if (!text || faults_.ShouldFail("BKA_ISO_2022_JP")) return nullptr;
    return StoreHost::Iso2022Jp(text, flags);
}

char* SimulatedHost::EucJp(const char* text, int flags) {
    if (!text || faults_.ShouldFail("BKA_EUC_JP")) return nullptr;
    return StoreHost::EucJp(text, flags);
}

void* SimulatedHost::Alloc(int size) {
    if (size < 0 || faults_.ShouldFail("BKA_Alloc")) return nullptr;
    return StoreHost::Alloc(size);
}

namespace {

char* TESSERA_HOSTCALL NativeMimeHeader(const char* text, char* scratch, int size, int flags) {
    return SimulatedHost::Instance().MimeHeader(text, scratch, size, flags);
}

}  // namespace

HostApi MakeSimulatedHostApi() {
    HostApi api = BindHostApi(SimulatedHost::Instance());
    api.MIMEHeader = NativeMimeHeader;
    return api;
}

}  // namespace tessera
