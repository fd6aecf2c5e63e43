#include "export/mime/LineList.h"

#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <utility>

#include "export/mime/LineArena.h"
#include "export/text/ByteScan.h"
#include "export/text/TextSink.h"

namespace tessera {

namespace {

using Segment = LineList::Segment;

constexpr size_t kText = 0;  // a line's bytes
constexpr size_t kLine = 1;  // a line's bytes, then CR LF
constexpr size_t kGap = 2;   // bytes to skip, left where a line shrank
// Lines that stand elsewhere, one after another: where the first starts, then
// a varint for each, its length << 1 | 1 when its break is two bytes (CR LF)
// rather than one. Its own varint is always four bytes wide, so that it can
// grow in place.
constexpr size_t kView = LineList::kView;
constexpr size_t kMaxContent = std::numeric_limits<size_t>::max() >> 2;

size_t VarintBytes(size_t v) {
    size_t n = 1;
    for (; v >= 0x80; v >>= 7) ++n;
    return n;
}

// Writes v in exactly `width` bytes (at least VarintBytes(v)).
char* PutVarint(char* at, size_t v, size_t width) {
    for (size_t i = 1; i < width; ++i, v >>= 7) *at++ = static_cast<char>(0x80 | (v & 0x7F));
    *at++ = static_cast<char>(v);
    return at;
}

const char* GetVarint(const char* at, size_t& v) {
    unsigned char byte = static_cast<unsigned char>(*at++);
    v = byte & 0x7F;
    for (unsigned shift = 7; byte & 0x80; shift += 7) {
        byte = static_cast<unsigned char>(*at++);
        v |= static_cast<size_t>(byte & 0x7F) << shift;
    }
    return at;
}

struct Record {
    size_t kind;
    size_t content;  // bytes stored
    size_t header;   // bytes of the varint
    size_t Size() const { return header + content; }
};

Record MakeRecord(size_t kind, size_t content) {
    if (content > kMaxContent) throw std::length_error("line too long to store");
    return Record{kind, content, VarintBytes(content << 2 | kind)};
}

// A text that ends in CR LF is stored without it.
Record Measure(const char* p, size_t n) {
    const bool crlf = n >= 2 && p[n - 2] == '\r' && p[n - 1] == '\n';
    return crlf ? MakeRecord(kLine, n - 2) : MakeRecord(kText, n);
}

char* Encode(char* at, const Record& r, const char* p) {
    at = PutVarint(at, r.content << 2 | r.kind, r.header);
    if (r.content != 0) std::memcpy(at, p, r.content);
    return at + r.content;
}

void EncodeGap(char* at, size_t bytes) {
    size_t width = 1;
    while (VarintBytes((bytes - width) << 2 | kGap) > width) ++width;
    PutVarint(at, (bytes - width) << 2 | kGap, width);
}

Segment* NewSegment(LineArena& arena, size_t bytes) {
    void* block = arena.Allocate(sizeof(Segment) + bytes);
    Segment* segment = new (block) Segment{nullptr, nullptr, bytes};
    segment->data = reinterpret_cast<char*>(segment + 1);
    return segment;
}

}  // namespace

LineArena& LineList::Arena() {
    if (arena_ != nullptr) return *arena_;
    if (!ownArena_) ownArena_ = std::make_unique<LineArena>();
    return *ownArena_;
}

char* LineList::Reserve(size_t bytes) {
    LineArena& arena = Arena();
    if (tail_ != nullptr && arena.TryGrow(tail_->data + tail_->size, bytes)) {
        char* at = tail_->data + tail_->size;
        tail_->size += bytes;
        return at;
    }
    Segment* segment = NewSegment(arena, bytes);
    if (tail_ != nullptr) {
        tail_->next = segment;
    } else {
        head_ = segment;
    }
    tail_ = segment;
    return segment->data;
}

void LineList::Append(const char* p, size_t n) {
    openView_ = nullptr;
    const Record r = Measure(p, n);
    Encode(Reserve(r.Size()), r, p);
    ++count_;
    bytes_ += n;
}

void LineList::AppendLine(const char* p, size_t n) {
    openView_ = nullptr;
    const Record r = MakeRecord(kLine, n);
    Encode(Reserve(r.Size()), r, p);
    ++count_;
    bytes_ += n + 2;
}

namespace {

constexpr size_t kViewRoom = 256;  // taken from the arena at a time for a view's lengths

}  // namespace

void LineList::AppendViewSlowly(const char* p, size_t n, size_t breakBytes,
                                bool (*screen)(const char*, size_t)) {
    if (n > kMaxContent) throw std::length_error("line too long to store");
    const size_t length = n << 1 | (breakBytes == 2 ? 1 : 0);
    ++count_;
    bytes_ += n + 2;
    if (openView_ != nullptr && p == openViewEnd_ && screen == screen_) {
        openViewEnd_ = p + n + breakBytes;
        char* at = tail_->data + tail_->size;
        const size_t width = VarintBytes(length);
        if (openPayload_ + width <= kMaxViewPayload &&
            (width <= viewRoom_ || Arena().TryGrow(at + viewRoom_, kViewRoom))) {
            if (width > viewRoom_) viewRoom_ += kViewRoom;
            PutVarint(at, length, width);
            viewRoom_ -= width;
            tail_->size += width;
            openPayload_ += width;
            PutViewHeader(openView_, openPayload_);
            return;
        }
    }
    if (views_++ == 0) screen_ = screen;
    if (screen != screen_) mixedScreens_ = true;
    // The list's end leaves the room of an earlier view behind; Reserve then
    // starts a segment.
    const size_t width = VarintBytes(length);
    openPayload_ = sizeof p + width;
    char* at = Reserve(kViewHeader + openPayload_);
    viewRoom_ = Arena().TryGrow(at + kViewHeader + openPayload_, kViewRoom) ? kViewRoom : 0;
    openView_ = at;
    PutViewHeader(at, openPayload_);
    std::memcpy(at + kViewHeader, &p, sizeof p);
    PutVarint(at + kViewHeader + sizeof p, length, width);
    openViewEnd_ = p + n + breakBytes;
}

void LineList::Clear() {
    head_ = nullptr;
    tail_ = nullptr;
    count_ = 0;
    bytes_ = 0;
    views_ = 0;
    openView_ = nullptr;
    openViewEnd_ = nullptr;
    screen_ = nullptr;
    mixedScreens_ = false;
    if (ownArena_) ownArena_->Reset();
}

namespace {

// Calls visit(bytes, length, crlf) for each line from `head` on, in order,
// until it returns false; false then, else true. A view's lines go to
// visitView(first, lengths, end) instead: the varints of their lengths are
// [lengths, end).
template <class Visit, class VisitView>
bool VisitRecords(const Segment* head, Visit visit, VisitView visitView) {
    for (const Segment* segment = head; segment != nullptr; segment = segment->next) {
        const char* at = segment->data;
        const char* const end = at + segment->size;
        while (at < end) {
            size_t v;
            at = GetVarint(at, v);
            const size_t n = v >> 2;
            const size_t kind = v & 3;
            if (kind == kView) {
                const char* first;
                std::memcpy(&first, at, sizeof first);
                if (!visitView(first, at + sizeof first, at + n)) return false;
            } else if (kind != kGap && !visit(at, n, kind == kLine)) {
                return false;
            }
            at += n;
        }
    }
    return true;
}

// Calls visit for each line of a view, as stored: ending in CR LF.
template <class Visit>
bool VisitViewLines(const char* line, const char* lengths, const char* end, Visit visit) {
    while (lengths < end) {
        size_t v;
        lengths = GetVarint(lengths, v);
        if (!visit(line, v >> 1, true)) return false;
        line += (v >> 1) + 1 + (v & 1);
    }
    return true;
}

template <class Visit>
bool VisitLines(const Segment* head, Visit visit) {
    return VisitRecords(head, visit,
                        [&visit](const char* line, const char* lengths, const char* end) {
                            return VisitViewLines(line, lengths, end, visit);
                        });
}

}  // namespace

void LineList::Swap(LineList& other) {
    std::swap(views_, other.views_);
    std::swap(openView_, other.openView_);
    std::swap(openViewEnd_, other.openViewEnd_);
    std::swap(openPayload_, other.openPayload_);
    std::swap(viewRoom_, other.viewRoom_);
    std::swap(mixedScreens_, other.mixedScreens_);
    std::swap(screen_, other.screen_);
    std::swap(head_, other.head_);
    std::swap(tail_, other.tail_);
    std::swap(count_, other.count_);
    std::swap(bytes_, other.bytes_);
    std::swap(arena_, other.arena_);
    std::swap(ownArena_, other.ownArena_);
}

void LineList::WriteTo(TextSink& sink) const {
    VisitRecords(
        head_,
        [&sink](const char* text, size_t n, bool crlf) {
            sink.Put(text, n);
            if (crlf) sink.Put("\r\n", 2);
            return true;
        },
        [&sink](const char* line, const char* lengths, const char* end) {
            // Lines that end in CR LF go out as they stand, a run of them in one piece.
            const char* run = line;
            while (lengths < end) {
                size_t v;
                lengths = GetVarint(lengths, v);
                line += v >> 1;
                if (v & 1) {
                    line += 2;
                    continue;
                }
                sink.Put(run, static_cast<size_t>(line - run));
                sink.Put("\r\n", 2);
                run = ++line;
            }
            sink.Put(run, static_cast<size_t>(line - run));
            return true;
        });
}

bool LineList::AnyLine(bool (*test)(const char* text, size_t length),
                       bool (*screenedBy)(const char* text, size_t length)) const {
    const auto fails = [test](const char* text, size_t n, bool) { return !test(text, n); };
    const bool screened = screenedBy != nullptr && screen_ == screenedBy && !mixedScreens_;
    return !VisitRecords(head_, fails, [&](const char* line, const char* lengths, const char* end) {
        return screened || VisitViewLines(line, lengths, end, fails);
    });
}

bool LineList::AnyStretch(bool (*test)(const char* from, const char* end)) const {
    return !VisitRecords(
        head_, [test](const char* text, size_t n, bool) { return !test(text, text + n); },
        [test](const char* first, const char* lengths, const char* end) {
            const char* stop = first;
            while (lengths < end) {
                size_t v;
                lengths = GetVarint(lengths, v);
                stop += (v >> 1) + 1 + (v & 1);
            }
            return !test(first, stop);
        });
}

void LineList::CopyViews() {
    if (views_ == 0) return;
    LineList copy;
    copy.SetArena(arena_);
    VisitLines(head_, [&copy](const char* text, size_t n, bool crlf) {
        const Record r = MakeRecord(crlf ? kLine : kText, n);
        Encode(copy.Reserve(r.Size()), r, text);
        return true;
    });
    copy.count_ = count_;
    copy.bytes_ = bytes_;
    Swap(copy);  // with a shared arena, the old records stay there until it is reset
}

void LineEntry::SetText(const char* p, size_t n) { cursor_.Replace(p, n); }

LineCursor::LineCursor(LineList& list, bool writable) : list_(list), entry_(*this) {
    if (writable) list.CopyViews();
    segment_ = list.head_;
    Settle();
}

void LineCursor::ViewLine() {
    size_t v;
    viewLengths_ = GetVarint(viewLengths_, v);
    content_ = viewAt_;
    contentLength_ = v >> 1;
    viewAt_ += contentLength_ + 1 + (v & 1);
    crlf_ = true;
    on_ = true;
}

void LineCursor::Settle() {
    materialized_ = false;
    replaced_ = false;
    while (segment_ != nullptr) {
        while (pos_ < segment_->size) {
            size_t v;
            content_ = GetVarint(segment_->data + pos_, v);
            contentLength_ = v >> 2;
            end_ = static_cast<size_t>(content_ - segment_->data) + contentLength_;
            if ((v & 3) == kView) {
                std::memcpy(&viewAt_, content_, sizeof viewAt_);
                viewLengths_ = content_ + sizeof viewAt_;
                viewEnd_ = content_ + contentLength_;
                return ViewLine();
            }
            if ((v & 3) != kGap) {
                crlf_ = (v & 3) == kLine;
                on_ = true;
                return;
            }
            pos_ = end_;
        }
        LineList::Segment* done = segment_;
        segment_ = done->next;
        pos_ = 0;
        if (copy_ != nullptr) {
            // All of it was copied: the segment goes, and lines stay in place again.
            copy_->next = segment_;
            if (list_.tail_ == done) list_.tail_ = copy_;
            copy_ = nullptr;
        }
    }
    on_ = false;
}

LineEntry* LineCursor::operator->() {
    if (!materialized_) {
        scratch_.assign(content_, contentLength_);
        if (crlf_) scratch_.append("\r\n", 2);
        entry_.text = scratch_.c_str();
        entry_.length = scratch_.size();
        materialized_ = true;
    }
    return &entry_;
}

std::string_view LineCursor::Stored() const {
    if (!materialized_) return std::string_view(content_, contentLength_);
    std::string_view text(scratch_);
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.remove_suffix(2);
    return text;
}

bool LineCursor::EndsInCrLf() const {
    if (!materialized_) return crlf_;
    return scratch_.size() >= 2 && scratch_.compare(scratch_.size() - 2, 2, "\r\n") == 0;
}

void LineCursor::Next() {
    if (viewEnd_ != nullptr) {
        materialized_ = false;
        if (viewLengths_ < viewEnd_) return ViewLine();
        viewEnd_ = nullptr;
    }
    if (copy_ != nullptr) {
        if (!replaced_) std::memcpy(CopyRoom(end_ - pos_), segment_->data + pos_, end_ - pos_);
        // What was read (gaps included) now lives in copy_ or nowhere.
        segment_->data += end_;
        segment_->size -= end_;
        end_ = 0;
    }
    pos_ = end_;
    Settle();
}

char* LineCursor::CopyRoom(size_t bytes) {
    LineArena& arena = list_.Arena();
    if (arena.TryGrow(copy_->data + copy_->size, bytes)) {
        char* at = copy_->data + copy_->size;
        copy_->size += bytes;
        return at;
    }
    LineList::Segment* fresh = NewSegment(arena, bytes);
    fresh->next = copy_->next;
    copy_->next = fresh;
    copy_ = fresh;
    return fresh->data;
}

void LineCursor::Replace(const char* p, size_t n) {
    const size_t oldLength = materialized_ ? entry_.length : contentLength_ + (crlf_ ? 2 : 0);
    const Record r = Measure(p, n);
    scratch_.assign(p, n);  // p may point into scratch_
    entry_.text = scratch_.c_str();
    entry_.length = n;
    if (copy_ == nullptr && r.Size() <= end_ - pos_) {
        char* at = Encode(segment_->data + pos_, r, scratch_.data());
        if (r.Size() < end_ - pos_) EncodeGap(at, end_ - pos_ - r.Size());
    } else if (copy_ == nullptr) {
        StartCopying(r.Size());
    } else if (replaced_ && r.Size() <= copy_->size - copiedAt_) {
        char* at = Encode(copy_->data + copiedAt_, r, scratch_.data());
        if (at != copy_->data + copy_->size) EncodeGap(at, copy_->data + copy_->size - at);
    } else {
        // The line goes to the end of the copy; where it was copied before is skipped.
        LineList::Segment* before = copy_;
        const size_t slotEnd = copy_->size;
        char* at = CopyRoom(r.Size());
        if (replaced_) EncodeGap(before->data + copiedAt_, slotEnd - copiedAt_);
        Encode(at, r, scratch_.data());
        copiedAt_ = static_cast<size_t>(at - copy_->data);
        segment_->data += end_;
        segment_->size -= end_;
        pos_ = end_ = 0;
    }
    replaced_ = true;
    list_.bytes_ = list_.bytes_ - oldLength + n;
}

// The new text does not fit where the old one was. The rest of the segment
// becomes a segment of its own; lines are copied into fresh storage in front of
// it up to its end, so that any number of longer lines costs one copy.
void LineCursor::StartCopying(size_t recordBytes) {
    LineArena& arena = list_.Arena();
    LineList::Segment* rest = new (arena.Allocate(sizeof(LineList::Segment)))
        LineList::Segment{segment_->next, segment_->data + end_, segment_->size - end_};
    LineList::Segment* fresh = NewSegment(arena, recordBytes);
    Encode(fresh->data, Measure(scratch_.data(), scratch_.size()), scratch_.data());
    segment_->size = pos_;
    segment_->next = fresh;
    fresh->next = rest;
    if (list_.tail_ == segment_) list_.tail_ = rest;
    copy_ = fresh;
    copiedAt_ = 0;
    segment_ = rest;
    pos_ = end_ = 0;
}

}  // namespace tessera
