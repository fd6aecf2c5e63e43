// The simulated host: the host's side of the plug-in API over a message store
// (StoreHost), with what tests need on top: every host buffer tracked, host
// calls failing on purpose, a slow host, an empty selection and the header
// decoder. The simulated host exe exports it to the real plug-in under Wine;
// native tests call it directly.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "export/seams/HostApi.h"
#include "host/BufferTracker.h"
#include "host/FaultPlan.h"
#include "mailstore/StoreHost.h"

namespace tessera {

class SimulatedHost : public StoreHost {
  public:
    static SimulatedHost& Instance();

    BufferTracker& Buffers() { return buffers_; }
    FaultPlan& Faults() { return faults_; }
    // When false, mode 1 (the selection) is empty and only mode 0 walks the messages.
    void SetSelectionActive(bool active) { selectionActive_ = active; }
    // Each GetSource first sleeps this long (a slow host, for long exports).
    void SetSourceDelay(int milliseconds) { sourceDelayMs_ = milliseconds; }
    // Called on the caller's thread when GetSource begins, with the message's index.
    void SetSourceObserver(std::function<void(long index)> observer) {
        sourceObserver_ = std::move(observer);
    }
    void Reset();

    long GetNextMail(long start, char* idBuffer, int size, int mode) override;
    char* GetSource(const char* id) override;
    char* MimeHeader(const char* text, char* scratch, int size, int flags);
    char* Iso2022Jp(const char* text, int flags) override;
    char* EucJp(const char* text, int flags) override;
    void* Alloc(int size) override;

    // Calls counted per name (also the ones that failed on purpose).
    long GetNextMailCalls() const { return nextMailCalls_; }
    // The longest time one GetSource took to read a source: host work that a
    // plug-in cannot interrupt to keep its windows answering.
    double LongestSourceMs() const;

  protected:
    char* Allocate(size_t size) override { return buffers_.Allocate(size); }
    void Release(void* buffer) override { buffers_.Release(buffer); }

  private:
    BufferTracker buffers_;
    FaultPlan faults_;
    bool selectionActive_ = true;
    int sourceDelayMs_ = 0;
    std::function<void(long)> sourceObserver_;
    long nextMailCalls_ = 0;
    std::chrono::steady_clock::duration longestSource_{};
};

// A HostApi whose entries call SimulatedHost::Instance() (native builds).
HostApi MakeSimulatedHostApi();

}  // namespace tessera
