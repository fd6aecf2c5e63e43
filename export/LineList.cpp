#include "export/LineList.h"

#include <cstring>
#include <new>

namespace tessera {

static_assert(alignof(LineEntry) <= alignof(std::max_align_t), "inline text follows the entry");

LineEntry* LineEntry::Create(const char* p, size_t n, bool addCrLf) {
    const size_t textBytes = n + (addCrLf ? 2 : 0);
    void* block = ::operator new(sizeof(LineEntry) + textBytes + 1);
    LineEntry* entry = new (block) LineEntry();
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
    char* fresh = new char[n + 1];
    std::memcpy(fresh, p, n);
    fresh[n] = '\0';
    if (text != InlineText()) delete[] text;
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
    return Link(LineEntry::Create(p, n, false));
}

LineEntry* LineList::AppendLine(const char* p, size_t n) {
    return Link(LineEntry::Create(p, n, true));
}

void LineList::Clear() {
    LineEntry* entry = head;
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
