#include "export/LineList.h"

#include <cstring>
#include <new>

#include "export/LineArena.h"

namespace tessera {

static_assert(alignof(LineEntry) <= alignof(std::max_align_t), "inline text follows the entry");

LineEntry* LineEntry::Create(const char* p, size_t n, bool addCrLf, LineArena* arena) {
    const size_t textBytes = n + (addCrLf ? 2 : 0);
    const size_t blockBytes = sizeof(LineEntry) + textBytes + 1;
    void* block = arena ? arena->Allocate(blockBytes) : ::operator new(blockBytes);
    LineEntry* entry = new (block) LineEntry();
    entry->arena_ = arena;
    entry->text = entry->InlineText();
    entry->capacity_ = textBytes;
    if (n != 0) std::memcpy(entry->text, p, n);
    if (addCrLf) {
        entry->text[n] = '\r';
        entry->text[n + 1] = '\n';
    }
    entry->text[textBytes] = '\0';
    entry->length = textBytes;
    return entry;
}

void LineEntry::Destroy(LineEntry* entry) {
    if (entry->arena_ != nullptr) return;  // goes back with its arena
    if (entry->text != entry->InlineText()) delete[] entry->text;
    entry->~LineEntry();
    ::operator delete(entry);
}

void LineEntry::SetText(const char* p, size_t n) {
    if (n <= capacity_) {
        // memmove: the new text may be a piece of the old one.
        std::memmove(text, p, n);
        text[n] = '\0';
        length = n;
        return;
    }
    char* fresh = arena_ ? static_cast<char*>(arena_->Allocate(n + 1)) : new char[n + 1];
    std::memcpy(fresh, p, n);
    fresh[n] = '\0';
    if (text != InlineText() && arena_ == nullptr) delete[] text;
    text = fresh;
    capacity_ = n;
    length = n;
}

LineEntry* LineList::Link(LineEntry* entry) {
    entry->previous = tail;
    if (tail != nullptr) {
        tail->next = entry;
    } else {
        head = entry;
    }
    tail = entry;
    return entry;
}

LineEntry* LineList::Append(const char* p, size_t n) {
    if (arena_ == nullptr) ++heapEntries_;
    return Link(LineEntry::Create(p, n, false, arena_));
}

LineEntry* LineList::AppendLine(const char* p, size_t n) {
    if (arena_ == nullptr) ++heapEntries_;
    return Link(LineEntry::Create(p, n, true, arena_));
}

void LineList::Clear() {
    // Entries of an arena go back with it: only heap entries need a walk.
    LineEntry* entry = heapEntries_ > 0 ? head : nullptr;
    heapEntries_ = 0;
    while (entry != nullptr) {
        LineEntry* following = entry->next;
        LineEntry::Destroy(entry);
        entry = following;
    }
    head = nullptr;
    tail = nullptr;
}

size_t LineList::Count() const {
    size_t count = 0;
    for (const LineEntry* e = head; e != nullptr; e = e->next) ++count;
    return count;
}

size_t LineList::TotalLength() const {
    size_t total = 0;
    for (const LineEntry* e = head; e != nullptr; e = e->next) total += e->length;
    return total;
}

}  // namespace tessera
