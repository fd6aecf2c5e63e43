#pragma once

#include <cstddef>

namespace tessera {

class LineArena;

// One stored line: an owned, NUL-terminated text and its links in a LineList.
struct LineEntry {
    char* text = nullptr;
    LineEntry* next = nullptr;
    LineEntry* previous = nullptr;
    size_t length = 0;  // bytes in text, terminator excluded

    // Replaces the text with a copy of p[0..n), keeping length right. Reuses the
    // entry's storage when the new text fits.
    void SetText(const char* p, size_t n);

    LineEntry(const LineEntry&) = delete;
    LineEntry& operator=(const LineEntry&) = delete;

private:
    friend class LineList;
    LineEntry() = default;
    ~LineEntry() = default;
    static LineEntry* Create(const char* p, size_t n, bool addCrLf, LineArena* arena);
    static void Destroy(LineEntry* entry);
    char* InlineText() { return reinterpret_cast<char*>(this + 1); }

    size_t capacity_ = 0;  // bytes usable in text (terminator excluded)
    LineArena* arena_ = nullptr;  // the storage the entry and its text come from, if any
};

// A doubly linked list of owned lines. Each entry and its text share one allocation.
class LineList {
public:
    LineList() = default;
    ~LineList() { Clear(); }
    LineList(const LineList&) = delete;
    LineList& operator=(const LineList&) = delete;

    // Appends a copy of p[0..n).
    LineEntry* Append(const char* p, size_t n);
    // Appends a copy of p[0..n) followed by CR LF.
    LineEntry* AppendLine(const char* p, size_t n);
    // Frees every entry and leaves the list empty.
    void Clear();

    bool empty() const { return head == nullptr; }
    size_t Count() const;
    // Sum of the entries' lengths.
    size_t TotalLength() const;

    // New entries come from `arena` (null: the heap); it must outlive the entries.
    void SetArena(LineArena* arena) { arena_ = arena; }

    LineEntry* head = nullptr;
    LineEntry* tail = nullptr;

private:
    LineEntry* Link(LineEntry* entry);
    LineArena* arena_ = nullptr;
    size_t heapEntries_ = 0;  // entries that must be freed one by one
};

}  // namespace tessera
