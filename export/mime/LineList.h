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
    // Appends the line p[0..n), followed in memory by its break of `breakBytes`
    // (1: CR or LF, 2: CR LF), without copying it: the bytes must stay as they
    // are while the list holds them. It reads as if it ended in CR LF. Lines
    // that follow each other in memory are held as one view; those that end
    // in CR LF are written a run at a time. `screen`: a test that fails for
    // the line (see AnyLine), or null.
    void AppendView(const char* p, size_t n, size_t breakBytes,
                    bool (*screen)(const char*, size_t)) {
        // Most lines: the next of the open view, in the room taken for it.
        const size_t length = n << 1 | (breakBytes == 2 ? 1 : 0);
        if (p == openViewEnd_ && openView_ != nullptr && screen == screen_ && length < 0x4000 &&
            viewRoom_ >= 2 && openPayload_ + 2 <= kMaxViewPayload) {
            char* at = tail_->data + tail_->size;
            size_t width = 1;
            if (length < 0x80) {
                at[0] = static_cast<char>(length);
            } else {
                at[0] = static_cast<char>(0x80 | (length & 0x7F));
                at[1] = static_cast<char>(length >> 7);
                width = 2;
            }
            viewRoom_ -= width;
            tail_->size += width;
            openPayload_ += width;
            PutViewHeader(openView_, openPayload_);
            openViewEnd_ = p + n + breakBytes;
            ++count_;
            bytes_ += n + 2;
            return;
        }
        AppendViewSlowly(p, n, breakBytes, screen);
    }
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
    // if any. Reads the lines where they are, faster than a cursor. Views
    // appended with `screenedBy` as their screen are not read: the caller
    // knows `test` fails for a line that failed it.
    bool AnyLine(bool (*test)(const char* text, size_t length),
                 bool (*screenedBy)(const char* text, size_t length) = nullptr) const;

    // True when `test` holds for some stretch of the lines' bytes: a stored
    // line alone, or all the lines of a view at once with the breaks between
    // them (a test of bytes, wherever lines end). Reads the lines where they are.
    bool AnyStretch(bool (*test)(const char* from, const char* end)) const;
    // Whether some lines are views of bytes stored elsewhere.
    bool HoldsViews() const { return views_ != 0; }
    // Replaces every view with copies of its lines: the bytes they viewed may go.
    void CopyViews();

    // A run of records in arena storage. Each record is a varint v, then v >> 2
    // bytes; v & 3 tells what they are.
    struct Segment {
        Segment* next;
        char* data;
        size_t size;
    };
    // The kind of a view's record, and its varint's width: always this wide,
    // so that it can grow in place.
    static constexpr size_t kView = 3;
    static constexpr size_t kViewHeader = 4;
    static constexpr size_t kMaxViewPayload = (size_t{1} << (7 * kViewHeader - 2)) - 64;

  private:
    void AppendViewSlowly(const char* p, size_t n, size_t breakBytes,
                          bool (*screen)(const char*, size_t));
    static void PutViewHeader(char* at, size_t payload) {
        const size_t v = payload << 2 | kView;
        at[0] = static_cast<char>(0x80 | (v & 0x7F));
        at[1] = static_cast<char>(0x80 | ((v >> 7) & 0x7F));
        at[2] = static_cast<char>(0x80 | ((v >> 14) & 0x7F));
        at[3] = static_cast<char>(v >> 21);
    }
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
    size_t views_ = 0;                   // view records held
    char* openView_ = nullptr;           // the last record, while it is a view that may grow
    const char* openViewEnd_ = nullptr;  // just past the bytes it covers
    size_t openPayload_ = 0;             // its bytes after the header
    size_t viewRoom_ = 0;                // taken from the arena behind it, not yet used
    bool (*screen_)(const char*, size_t) = nullptr;  // of the first view
    bool mixedScreens_ = false;                      // a later view had another
};

// Walks the lines of a list in order:
//   for (LineCursor line(list); line; line.Next()) line->SetText(...);
// The list stays whole whenever the cursor is left. While a cursor walks a list,
// nothing else may change it. Views of the list become copies first.
class LineCursor {
  public:
    explicit LineCursor(LineList& list) : LineCursor(list, true) {}
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
    friend class ConstLineCursor;
    LineCursor(LineList& list, bool writable);
    // Stands on the line at viewAt_.
    void ViewLine();
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
    size_t copiedAt_ = 0;                // where the replaced line starts in copy_
    const char* viewAt_ = nullptr;       // in a view: where the next line starts
    const char* viewLengths_ = nullptr;  // in a view: the next line's length
    const char* viewEnd_ = nullptr;      // in a view: the end of its lengths; null elsewhere
    std::string scratch_;
    LineEntry entry_;
};

// Read-only walk over a list's lines.
class ConstLineCursor {
  public:
    explicit ConstLineCursor(const LineList& list) : cursor_(const_cast<LineList&>(list), false) {}
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
