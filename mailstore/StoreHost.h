// The host's side of the plug-in API over the messages of a MessageStore: the
// walk, each source in a host buffer, its charset and the Japanese
// converters. The command-line exporter binds it as its host; the simulated
// host builds its test doubles on it.
#pragma once

#include <string>

#include "export/seams/HostApi.h"
#include "mailstore/MessageStore.h"

namespace tessera {

class StoreHost {
  public:
    StoreHost() = default;
    virtual ~StoreHost();
    StoreHost(const StoreHost&) = delete;
    StoreHost& operator=(const StoreHost&) = delete;

    MessageStore& Messages() { return messages_; }

    // The host functions the engine calls. Positions are message indexes:
    // -1 starts, the result is the next start. Every message is selected.
    virtual long GetNextMail(long start, char* idBuffer, int size, int mode);
    virtual char* GetSource(const char* id);
    int GetCharSet(const char* id, char* buffer, int size);
    virtual char* Iso2022Jp(const char* text, int flags);
    virtual char* EucJp(const char* text, int flags);
    virtual void* Alloc(int size);
    void Free(void* buffer) { Release(buffer); }

    // A host buffer holding `text`; null when allocation fails.
    char* NewBuffer(const std::string& text);

  protected:
    // Every host buffer is made and given back here.
    virtual char* Allocate(size_t size);
    virtual void Release(void* buffer);
    // Index of the message an id names, or -1.
    long IndexOf(const char* id) const;
    // The source of message `index` in a new host buffer, or null.
    char* ReadSource(long index);
    // Forgets the messages and what was read of them.
    void Forget();

    std::string scratch_;  // converter output, reused across calls

  private:
    // Tells, once per message, that its source was cut at a NUL byte.
    void NoteNulByte(long index);

    MessageStore messages_;
    // The charset of the message last fetched, so that asking for it after
    // the source does not read the message again.
    long charsetIndex_ = -1;
    std::string charset_;
    long lastNulIndex_ = -1;
    bool nulExplained_ = false;
    // The last large buffer given back, kept for the next source: fresh memory
    // is faulted in page by page. Kept only while it is not much larger than
    // what is asked for, so what is held follows the message in hand.
    void* lent_ = nullptr;
    size_t lentBytes_ = 0;
    void* spare_ = nullptr;
    size_t spareBytes_ = 0;
};

// A HostApi whose entries call `host`, which must outlive every call; one
// host is bound at a time.
HostApi BindHostApi(StoreHost& host);

// The id text the host gives message `index`.
std::string StoreMessageId(size_t index);

}  // namespace tessera
