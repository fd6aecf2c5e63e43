// The messages a host offers for export, read from .eml files, mbox files,
// Maildir folders, folders of .eml files and text from a stream.
//
// Mbox files are framed as Python's mailbox reads them (MboxFraming.h): a new
// message at every "From " line, the blank line in front of it dropped. Quoting
// is undone per message, after the writer its envelope line shows. A message
// counts as Tessera's when that line has the shape only Tessera's writer gives
// it: CR LF at the end, the day always two digits, a one-word sender. Then a
// '>' comes off "from " lines in any case, exactly as that writer quotes them,
// so that its own output reads back the same; any other message is mboxrd.
//
// Mbox messages are indexed by offset and read on demand: the index holds 24
// bytes a message (offset, length, input, place), so memory does not grow with
// the text of a box. The indexing runs on a thread of its own while the first
// messages are used. One thread adds, asks and reads; the indexing thread only
// appends. The blocks the indexing read are kept in a small window until the
// messages in them are read, so that a box is read from its file once; the
// indexing waits for the reader while the window is full and the reader has
// a message to read, else it lets the oldest blocks go (they are read again).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tessera {

class MessageStore {
  public:
    // Adds the messages of one input; false with `error` set (one line per
    // problem, each naming its file or folder) when any of it cannot be read.
    bool AddPath(const std::string& path, std::string& error);
    // Adds a message held in memory for the whole run (tests).
    void AddText(const std::string& name, std::string text);
    // Adds text read from a stream (standard input), held in memory for the
    // whole run: an mbox when its first line is an envelope line, split and
    // unquoted exactly as a file is, else one message.
    void AddStreamText(const std::string& name, std::string text);

    // All messages; waits until every mbox is indexed.
    size_t Count() const;
    // The messages indexed so far.
    size_t KnownCount() const;
    // True when message `index` exists; waits only until the indexing reaches it.
    bool Has(size_t index) const;
    // Of a message known to exist (Has): its input path, and ":N" for the Nth of an mbox.
    std::string Name(size_t index) const;
    uint64_t SizeHint(size_t index) const { return At(index).length; }
    // False when the message's source is known to hold no NUL byte (an mbox's
    // indexing looked); true when it does or was not looked at.
    bool MayHoldNul(size_t index) const { return At(index).nul; }
    // The message's source; false when it cannot be read any more (a problem is recorded).
    bool Source(size_t index, std::string& text) const;
    // Reads the source into `buffer` (at least SizeHint bytes); sets its length.
    // Only so is a message on file in memory: one at a time, for its export.
    bool SourceInto(size_t index, char* buffer, size_t& length) const;
    // Every file the messages are read from, in input order.
    std::vector<std::string> InputFiles() const;

    // Problems met while indexing or reading (each names its input), oldest
    // first; the call empties the list.
    std::vector<std::string> TakeProblems();
    // Records a problem with a message that its reader found.
    void AddProblem(std::string text) const;

    void Clear();
    MessageStore() = default;
    ~MessageStore();
    MessageStore(const MessageStore&) = delete;
    MessageStore& operator=(const MessageStore&) = delete;

  private:
    // One input file, or one text held in memory.
    struct Input {
        std::string path;  // the file; the name of in-memory text
        std::string text;
        bool inMemory = false;
        bool mbox = false;
    };
    // One message; kept small, an mbox can hold millions.
    // The indexing of an mbox notes what a message's lines hold, so that its
    // reader skips the scans that would find nothing; elsewhere both are set.
    struct Entry {
        uint64_t offset;
        uint64_t length;
        uint32_t input : 30;       // index into inputs_ (an Input takes more than 2^5 bytes)
        uint32_t quoted : 1;       // a line may start with '>'
        uint32_t nul : 1;          // may hold a NUL byte
        uint32_t number : 31;      // 1-based place within an mbox
        uint32_t anyCaseFrom : 1;  // written by Tessera: "from " quoted in any case
    };
    // Work for the indexing thread, in input order: an mbox to scan, or
    // entries ready to append once the mbox in front of them is done.
    struct Job {
        bool scan = false;
        uint32_t input = 0;
        std::vector<Entry> ready;
    };
    const Entry& At(size_t index) const;
    const Input& InputAt(uint32_t input) const;
    uint32_t NewInput(Input input);
    bool FileEntry(const std::string& path, std::vector<Entry>& out, std::string& error);
    bool MaildirEntries(const std::string& path, std::vector<Entry>& out, std::string& error);
    // Appends now when nothing is queued in front, else queues behind it.
    void AddReady(std::vector<Entry> entries);
    void Queue(Job job);
    void IndexJobs();
    void ScanMbox(uint32_t input);
    // Moves `found` to the index.
    void Publish(std::vector<Entry>& found);
    void WaitForIndexing();
    // Keeps a block the indexing read (`size` bytes at `offset`); waits while the
    // window is full and the reader has an indexed message before it.
    void KeepInWindow(uint32_t input, uint64_t offset, std::vector<char>& block, size_t size);
    // Copies the entry's bytes from the window, unquoted, and sets their length;
    // false when they are not all there.
    bool ReadFromWindow(const Entry& entry, char* out, size_t& length) const;
    // Lets the window's blocks before `offset` go.
    void ReleaseWindowBefore(uint32_t input, uint64_t offset) const;
    void ClearWindow() const;
    // False, with a problem recorded, for a message larger than memory can address.
    bool Fits(size_t index, const Entry& entry) const;
    // Reads the message's bytes, unquoted, and sets their length; false with a problem recorded.
    bool ReadEntry(size_t index, const Entry& entry, char* out, size_t& length) const;
    // Reads length bytes at offset of path; the last file stays open, since an
    // mbox is read message after message. False with `error` set.
    bool ReadRange(const std::string& path, uint64_t offset, uint64_t length, char* out,
                   std::string& error) const;
    void CloseOpenFile() const;

    std::deque<Input> inputs_;  // grow at the back only: references stay valid
    std::deque<Entry> entries_;
    std::deque<Job> jobs_;
    mutable std::vector<std::string> problems_;
    bool indexing_ = false;
    std::thread indexer_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    mutable FILE* openFile_ = nullptr;
    mutable std::string openPath_;

    // Blocks of the mbox being indexed, in file order, from windowStart_.
    struct Block {
        uint64_t offset;
        size_t size;  // bytes read into it
        std::vector<char> bytes;
    };
    mutable std::deque<Block> window_;
    mutable std::vector<std::vector<char>> spareBlocks_;  // given back, for the next reads
    mutable uint32_t windowInput_ = UINT32_MAX;
    mutable size_t windowBytes_ = 0;
    mutable size_t wanted_ = 0;      // messages the reader has asked for (Has)
    mutable bool wantsAll_ = false;  // the reader waits for the whole index
};

// True when the file starts like an mbox ("From " on its first line).
bool LooksLikeMbox(const std::string& path);

// The charset parameter of the message's top-level Content-Type, or empty.
std::string TopLevelCharset(std::string_view source);

}  // namespace tessera
