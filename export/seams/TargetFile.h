// A file the export writes, as the engine sees it: whole messages go in, and
// nothing a run leaves behind is half a message or half a replacement.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tessera {

// Where the bytes of one message go.
class OutputFile {
  public:
    virtual ~OutputFile() = default;
    // Writes all bytes; false when anything failed or fell short.
    virtual bool Write(const char* data, size_t size) = 0;
};

enum class TargetMode {
    Append,   // the old content, then whole messages
    Replace,  // whole messages only
    // As Replace, under a name the export made, which is never a device's:
    // the system need not look at what is there before writing.
    NewName,
};

// One opened target. Written in place, what comes between BeginMessage and
// EndMessage is held and goes out together, so an envelope line never reaches
// the file without its message. A new file beside the target is seen by no one
// before Commit: it is written straight through. Each implementation's
// destructor aborts a target left open.
class TargetFile : public OutputFile {
  public:
    // Writes held for one message go out in one piece up to this size.
    static constexpr size_t kHeldBytes = 1 << 20;

    bool Write(const char* data, size_t size) final;
    // Marks where the next message begins.
    void BeginMessage();
    // Sends what the message left held. When `complete` is false or a write
    // failed, the file is cut back to the mark and false is returned.
    bool EndMessage(bool complete);
    // Makes what was written the file's content (a new file is renamed into
    // place); false when that failed, and the file is then as it was before.
    bool Commit();
    // Leaves the file as it was before the run: a new file is removed, an
    // append in place is cut back to its old length. A device or pipe cannot
    // be undone.
    void Abort();

    // The last bytes (at most 4) of what an append keeps; empty when there is
    // nothing or it cannot be read (a device or pipe).
    const std::string& Tail() const { return tail_; }

  protected:
    // `inPlace`: the bytes reach the target itself (an append in place, a
    // device or pipe), so whole messages are held before they go out.
    explicit TargetFile(bool inPlace) : holds_(inPlace) {}
    // Sets the length the file had when it was opened and the tail read from it.
    void Started(uint64_t length, std::string tail);

    // Appends bytes at the end of the file; false when anything failed.
    virtual bool Put(const char* data, size_t size) = 0;
    // Shortens the file to `length` bytes; false when it cannot (a stream).
    virtual bool CutTo(uint64_t length) = 0;
    // Closes the file and, when `keep`, puts it in place (the rename of a new
    // file); without `keep` a new file is removed.
    virtual bool Finish(bool keep) = 0;

  private:
    bool Out(const char* data, size_t size);
    bool Send();

    std::string held_;
    const bool holds_;
    bool inMessage_ = false;
    bool failed_ = false;  // a write of the current message failed
    bool open_ = true;
    uint64_t startLength_ = 0;
    uint64_t length_ = 0;
    uint64_t mark_ = 0;
    std::string tail_;
};

}  // namespace tessera
