#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace tessera {

class LineArena;
class LineCursor;
class TextSink;

// The line a LineCursor stands on.
class LineEntry {
  public:
    const char* text = nullptr;  // NUL-terminated; valid until the cursor moves
    size_t length = 0;           // bytes in text, terminator excluded

    // Replaces the line with a copy of p[0..n), keeping length right; p may
    // point into text.
    void SetText(const char* p, size_t n);

    LineEntry(const LineEntry&) = delete;
    LineEntry& operator=(const LineEntry&) = delete;

  private:
    friend class LineCursor;
    explicit LineEntry(LineCursor& cursor) : cursor_(cursor) {}
    LineCursor& cursor_;
};

// The lines of one list of a message part, packed one after another into a few
// large blocks: a line costs its bytes and a length of one to three bytes, and a
// final CR LF costs nothing. So memory follows the size of the message, not the
// number of its lines. Lines are read and replaced through a LineCursor.
class LineList {
  public:
    LineList() = default;
    ~LineList() { Clear(); }
    LineList(const LineList&) = delete;
    LineList& operator=(const LineList&) = delete;

    // Appends a copy of p[0..n).
    void Append(const char* p, size_t n);
    // Appends a copy of p[0..n) followed by CR LF.
    void AppendLine(const char* p, size_t n);
    // Drops every line. Storage of a shared arena comes back with the arena.
    void Clear();
    // Exchanges the lines, and where they are stored, with `other`.
    void Swap(LineList& other);

    bool empty() const { return count_ == 0; }
    size_t Count() const { return count_; }
    // Sum of the lines' lengths.
    size_t TotalLength() const { return bytes_; }

    // New lines are stored in `arena` (null: storage of the list's own); it must
    // outlive the lines. Set it while the list is empty.
    void SetArena(LineArena* arena) { arena_ = arena; }

    // Puts every line, in order, into the sink.
    void WriteTo(TextSink& sink) const;
    // True when `test` holds for a line's bytes without the CR LF it ends in,
    // if any. Reads the lines where they are, faster than a cursor.
    bool AnyLine(bool (*test)(const char* text, size_t length)) const;

    struct Segment;

  private:
    friend class LineCursor;
    LineArena& Arena();
    // Room for `bytes` more at the end of the list.
    char* Reserve(size_t bytes);

    Segment* head_ = nullptr;
    Segment* tail_ = nullptr;
    size_t count_ = 0;
    size_t bytes_ = 0;
    LineArena* arena_ = nullptr;
    std::unique_ptr<LineArena> ownArena_;
};

// Walks the lines of a list in order:
//   for (LineCursor line(list); line; line.Next()) line->SetText(...);
// The list stays whole whenever the cursor is left. While a cursor walks a list,
// nothing else may change it.
class LineCursor {
  public:
    explicit LineCursor(LineList& list);
    LineCursor(const LineCursor&) = delete;
    LineCursor& operator=(const LineCursor&) = delete;

    explicit operator bool() const { return on_; }
    // The current line as text, copied out of the list on first use.
    LineEntry* operator->();
    LineEntry& operator*() { return *operator->(); }
    // The current line's bytes without the CR LF it ends in, if any; no copy.
    std::string_view Stored() const;
    // Whether the current line ends in the CR LF that Stored() leaves out.
    bool EndsInCrLf() const;
    void Next();

  private:
    friend class LineEntry;
    void Replace(const char* p, size_t n);
    // Moves to the first line at or after pos_, across segments.
    void Settle();
    void StartCopying(size_t recordBytes);
    char* CopyRoom(size_t bytes);

    LineList& list_;
    LineList::Segment* segment_;         // the segment being read
    LineList::Segment* copy_ = nullptr;  // set: lines are being copied into this one
    size_t pos_ = 0;                     // the current record in segment_
    size_t end_ = 0;                     // just past it
    const char* content_ = nullptr;
    size_t contentLength_ = 0;
    bool crlf_ = false;
    bool on_ = false;
    bool materialized_ = false;
    bool replaced_ = false;
    size_t copiedAt_ = 0;  // where the replaced line starts in copy_
    std::string scratch_;
    LineEntry entry_;
};

// Read-only walk over a list's lines.
class ConstLineCursor {
  public:
    explicit ConstLineCursor(const LineList& list) : cursor_(const_cast<LineList&>(list)) {}
    explicit operator bool() const { return static_cast<bool>(cursor_); }
    const LineEntry* operator->() { return cursor_.operator->(); }
    const LineEntry& operator*() { return *cursor_.operator->(); }
    std::string_view Stored() const { return cursor_.Stored(); }
    bool EndsInCrLf() const { return cursor_.EndsInCrLf(); }
    void Next() { cursor_.Next(); }

  private:
    LineCursor cursor_;  // walking without replacing changes nothing
};

}  // namespace tessera
