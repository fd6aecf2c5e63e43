// The messages a host offers for export, read from .eml files, mbox files
// (mboxrd: ">From " unescaped on read) and Maildir folders. Mbox messages are
// indexed by offset and read on demand, so memory does not grow with the box;
// the indexing runs on a thread of its own while the first messages are used.
// One thread adds, asks and reads; the indexing thread only appends.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tessera {

class MessageStore {
public:
    // Adds the messages of one input; false with `error` set when it cannot be read.
    bool AddPath(const std::string& path, std::string& error);
    // Adds a message held in memory for the whole run (standard input, tests).
    void AddText(const std::string& name, std::string text);

    // All messages; waits until every mbox is indexed.
    size_t Count() const;
    // The messages indexed so far.
    size_t KnownCount() const;
    // True when message `index` exists; waits only until the indexing reaches it.
    bool Has(size_t index) const;
    // Of a message known to exist (Has).
    const std::string& Name(size_t index) const { return At(index).name; }
    uint64_t SizeHint(size_t index) const { return At(index).length; }
    // The message's source; false when it cannot be read any more.
    bool Source(size_t index, std::string& text) const;
    // Reads the source into `buffer` (at least SizeHint bytes); sets its length.
    // Only so is a message on file in memory: one at a time, for its export.
    bool SourceInto(size_t index, char* buffer, size_t& length) const;
    void Clear();
    MessageStore() = default;
    ~MessageStore();
    MessageStore(const MessageStore&) = delete;
    MessageStore& operator=(const MessageStore&) = delete;

private:
    struct Entry {
        std::string name;  // input path (and position within an mbox)
        std::string path;  // file to read; empty for in-memory text
        uint64_t offset = 0;
        uint64_t length = 0;
        bool mbox = false;
        std::string text;
    };
    // Work for the indexing thread, in input order: an mbox to scan, or
    // entries ready to append once the mbox in front of them is done.
    struct Job {
        std::string mboxPath;
        std::vector<Entry> ready;
    };
    const Entry& At(size_t index) const;
    bool FileEntry(const std::string& path, Entry& entry, std::string& error) const;
    bool MaildirEntries(const std::string& path, std::vector<Entry>& out, std::string& error) const;
    // Appends now when nothing is queued in front, else queues behind it.
    void AddReady(std::vector<Entry> entries);
    void Queue(Job job);
    void IndexJobs();
    void ScanMbox(const std::string& path);
    void Publish(Entry entry);
    void WaitForIndexing();
    // Reads length bytes at offset of path; the last file stays open, since an
    // mbox is read message after message.
    bool ReadRange(const std::string& path, uint64_t offset, uint64_t length, char* out) const;
    void CloseOpenFile() const;

    std::deque<Entry> entries_;  // grows at the back only: references stay valid
    std::deque<Job> jobs_;
    bool indexing_ = false;
    std::thread indexer_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    mutable FILE* openFile_ = nullptr;
    mutable std::string openPath_;
};

// True when the file starts like an mbox ("From " on its first line).
bool LooksLikeMbox(const std::string& path);

// The charset parameter of the message's top-level Content-Type, or empty.
std::string TopLevelCharset(const std::string& source);

// Undoes mboxrd quoting: a line of one or more '>' followed by "From " loses one '>'.
std::string UnescapeMboxrd(std::string text);
// The same in place; returns the new length.
size_t UnescapeMboxrdInPlace(char* text, size_t length);

}  // namespace tessera
