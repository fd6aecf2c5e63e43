// The host's side of the plug-in API, without any window: the selection of
// messages, host buffers with tracking, the Japanese converters and fault
// injection. The simulated host exe exports it to the real plug-in under
// Wine; the command-line exporter and native tests call it directly.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "export/HostApi.h"
#include "host/BufferTracker.h"
#include "host/FaultPlan.h"
#include "host/MessageStore.h"

namespace tessera {

class SimulatedHost {
  public:
    static SimulatedHost& Instance();

    MessageStore& Messages() { return messages_; }
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

    long GetNextMail(long start, char* idBuffer, int size, int mode);
    char* GetSource(const char* id);
    int GetCharSet(const char* id, char* buffer, int size);
    char* MimeHeader(const char* text, char* scratch, int size, int flags);
    char* Iso2022Jp(const char* text, int flags);
    char* EucJp(const char* text, int flags);
    void* Alloc(int size);
    void Free(void* buffer);

    // A host buffer holding `text`; null when allocation fails.
    char* NewBuffer(const std::string& text);

    // Calls counted per name (also the ones that failed on purpose).
    long GetNextMailCalls() const { return nextMailCalls_; }
    // The longest time one GetSource took to read a source: host work that a
    // plug-in cannot interrupt to keep its windows answering.
    double LongestSourceMs() const;

  private:
    // Index of the message an id names, or -1.
    long IndexOf(const char* id) const;
    // The source of message `index` in a new host buffer, or null.
    char* ReadSource(long index);
    // Tells, once per message, that its source was cut at a NUL byte.
    void NoteNulByte(long index);

    MessageStore messages_;
    BufferTracker buffers_;
    FaultPlan faults_;
    bool selectionActive_ = true;
    int sourceDelayMs_ = 0;
    std::function<void(long)> sourceObserver_;
    long nextMailCalls_ = 0;
    std::chrono::steady_clock::duration longestSource_{};
    // The charset of the message last fetched, so that asking for it after
    // the source does not read the message again.
    long charsetIndex_ = -1;
    std::string charset_;
    std::string scratch_;  // converter output, reused across calls
    long lastNulIndex_ = -1;
    bool nulExplained_ = false;
};

// A HostApi whose entries call SimulatedHost::Instance() (native builds).
HostApi MakeSimulatedHostApi();

// The id text the simulated host gives message `index`.
std::string SimulatedMessageId(size_t index);

}  // namespace tessera
