#include "export/mime/MimePart.h"

#include <cstring>
#include <vector>

#include "export/mime/AttachmentRule.h"
#include "export/mime/LineReader.h"
#include "export/mime/internal/ContentType.h"
#include "export/text/AsciiText.h"
#include "export/text/ByteScan.h"
#include "export/text/TextSink.h"

namespace tessera {

namespace {

void CopyCut(char* field, const char* value) {
    const size_t n = TextLengthWithin(value, kMaxMediaTypeLength);
    std::memcpy(field, value, n);
    field[n] = '\0';
}

bool Matches(const MimePart& part, const char* wantedType, const char* wantedSubtype) {
    if (wantedType != nullptr && !EqualsIgnoreCase(part.type, wantedType)) return false;
    return wantedSubtype == nullptr || EqualsIgnoreCase(part.subtype, wantedSubtype);
}

enum class Mode { kHeader, kBody, kEpilogue };

struct Frame {
    MimePart* part;
    const char* enclosing;  // boundary of the container, null for the message
    size_t enclosingLength;
    size_t boundaryLength;  // measured when the body starts
    size_t depth;
    MimePart* lastChild;
    Mode mode;
    bool views;  // body lines may be kept as views: set when the body starts
};

// Builds a tree line by line with an explicit stack of open entities, so neither
// nesting nor sibling counts reach the call stack.
// Lines parsed between two ticks: well under a millisecond of work.
constexpr unsigned kLinesPerTick = 4096;

class MimeParser {
  public:
    MimeParser(const char* cursor, const char* end, ExportProgress& progress,
               const ParseSource& source)
        : cursor_(cursor), end_(end), progress_(progress), source_(source) {}
    const char* Run(MimePart& root, const char* enclosing);

  private:
    void Push(MimePart* part, const char* enclosing, size_t depth);
    void Step();
    // Reads the plain lines of a body (none starting with "--") in a tight
    // loop: most lines of a message.
    void BodyRun(LineList& body, bool views);
    // Counts a line read; ticks the progress every few thousand.
    void Counted() {
        if (++linesUntested_ == kLinesPerTick) {
            linesUntested_ = 0;
            progress_.Tick();
        }
    }
    void HeaderLine(Frame& frame, const LineSpan& line);
    void ApplyContentType(MimePart& part);
    void BodyLine(const LineSpan& line, const char* lineStart);
    void EpilogueLine(const LineSpan& line, const char* lineStart);
    bool BelongsToEnclosing(const Frame& frame, const LineSpan& line) const;
    void OpenChild(Frame& frame);
    void EndFrame(const char* lineStart);
    // Stores the line just read at the end of `lines`.
    void StoreLine(LineList& lines, const LineSpan& line, bool view);

    const char* cursor_;
    const char* end_;
    std::vector<Frame> stack_;
    std::string header_;  // one scratch buffer for folded headers, reused
    size_t partsLeft_ = kMaxPartCount;
    ExportProgress& progress_;
    const ParseSource& source_;
    unsigned linesUntested_ = 0;  // read since the last tick
};

const char* MimeParser::Run(MimePart& root, const char* enclosing) {
    Push(&root, enclosing, 0);
    while (!stack_.empty() && cursor_ < end_) {
        Step();
        Counted();
    }
    return cursor_;
}

void MimeParser::Push(MimePart* part, const char* enclosing, size_t depth) {
    const size_t enclosingLength = enclosing != nullptr ? TextLength(enclosing) : 0;
    stack_.push_back(
        Frame{part, enclosing, enclosingLength, 0, depth, nullptr, Mode::kHeader, false});
}

void MimeParser::BodyRun(LineList& body, bool views) {
    while (cursor_ < end_ && !(end_ - cursor_ >= 2 && cursor_[0] == '-' && cursor_[1] == '-')) {
        LineSpan line;
        NextLine(cursor_, end_, kMaxLineBytes, line);
        StoreLine(body, line, views);
        Counted();
    }
}

void MimeParser::Step() {
    if (stack_.back().mode == Mode::kBody) {
        BodyRun(stack_.back().part->body, stack_.back().views);
        if (cursor_ >= end_) return;
    }
    const char* lineStart = cursor_;
    LineSpan line;
    NextLine(cursor_, end_, kMaxLineBytes, line);
    Frame& frame = stack_.back();
    if (frame.mode == Mode::kHeader) return HeaderLine(frame, line);
    if (frame.mode == Mode::kBody) return BodyLine(line, lineStart);
    EpilogueLine(line, lineStart);
}

void MimeParser::HeaderLine(Frame& frame, const LineSpan& line) {
    MimePart& part = *frame.part;
    if (line.length == 0) {
        part.headers.AppendLine("", 0);
        frame.mode = Mode::kBody;
        frame.boundaryLength = part.boundary != nullptr ? TextLength(part.boundary) : 0;
        frame.views =
            source_.keepViews &&
            (!IsTextPart(part) || (source_.viewText != nullptr && source_.viewText(part)));
        return;
    }
    header_.assign(line.data, line.length);
    header_.append("\r\n", 2);
    while (cursor_ < end_ && (*cursor_ == ' ' || *cursor_ == '\t')) {
        const char* continuation = cursor_;
        LineSpan more;
        NextLine(cursor_, end_, kMaxLineBytes, more);
        if (header_.size() + more.length + 2 > kMaxFoldedHeaderBytes) {
            cursor_ = continuation;  // starts the next entry instead
            break;
        }
        header_.append(more.data, more.length);
        header_.append("\r\n", 2);
    }
    part.headers.Append(header_.data(), header_.size());
    if (IsContentTypeHeader(header_.data(), header_.size())) ApplyContentType(part);
}

void MimeParser::ApplyContentType(MimePart& part) {
    ContentTypeFields fields;
    if (!ParseContentType(header_, fields)) return;
    CopyCut(part.type, fields.type.c_str());
    CopyCut(part.subtype, fields.subtype.c_str());
    if (fields.hasBoundary) part.SetBoundary(fields.boundary.data(), fields.boundary.size());
}

bool MimeParser::BelongsToEnclosing(const Frame& frame, const LineSpan& line) const {
    if (frame.enclosing == nullptr) return false;
    if (line.length < 2 + frame.enclosingLength) return false;
    if (std::memcmp(line.data + 2, frame.enclosing, frame.enclosingLength) != 0) return false;
    // With the part budget spent, a part delimiter of the container stays in the
    // current part instead of opening one, so later lines keep their order.
    const bool exactDelimiter = line.length == 2 + frame.enclosingLength;
    return !(exactDelimiter && partsLeft_ == 0);
}

void MimeParser::BodyLine(const LineSpan& line, const char* lineStart) {
    Frame& frame = stack_.back();
    MimePart& part = *frame.part;
    const bool dashes = line.length >= 2 && line.data[0] == '-' && line.data[1] == '-';
    if (!dashes) return StoreLine(part.body, line, frame.views);
    const char* rest = line.data + 2;
    const size_t restLength = line.length - 2;
    const size_t b = frame.boundaryLength;
    const bool container = part.boundary != nullptr && frame.depth < kMaxNestingDepth;
    const bool startsWithBoundary =
        container && restLength >= b && std::memcmp(rest, part.boundary, b) == 0;
    if (startsWithBoundary && restLength == b && partsLeft_ > 0) return OpenChild(frame);
    // A close delimiter with no part before it closes nothing; it stays a line.
    const bool close = startsWithBoundary && restLength == b + 2 && rest[b] == '-' &&
                       rest[b + 1] == '-' && part.firstChild != nullptr;
    if (close && frame.enclosing == nullptr) {
        stack_.clear();  // what follows the message's close delimiter is not read
        return;
    }
    if (close) {
        frame.mode = Mode::kEpilogue;
        return;
    }
    if (BelongsToEnclosing(frame, line)) return EndFrame(lineStart);
    StoreLine(part.body, line, frame.views);
}

void MimeParser::EpilogueLine(const LineSpan& line, const char* lineStart) {
    Frame& frame = stack_.back();
    const bool dashes = line.length >= 2 && line.data[0] == '-' && line.data[1] == '-';
    if (dashes && BelongsToEnclosing(frame, line)) return EndFrame(lineStart);
    StoreLine(frame.part->epilogue, line, frame.views);
}

inline void MimeParser::StoreLine(LineList& lines, const LineSpan& line, bool view) {
    // A piece of a longer line has no break of its own: it is given one.
    if (view && line.hadBreak &&
        (source_.copyWhen == nullptr || !source_.copyWhen(line.data, line.length))) {
        const size_t breakBytes = static_cast<size_t>(cursor_ - line.data) - line.length;
        lines.AppendView(line.data, line.length, breakBytes, source_.copyWhen);
        if (source_.keptViews != nullptr) *source_.keptViews = true;
        return;
    }
    lines.AppendLine(line.data, line.length);
}

void MimeParser::OpenChild(Frame& frame) {
    MimePart* child = new MimePart();
    child->UseArena(frame.part->Arena());
    if (frame.lastChild != nullptr) {
        frame.lastChild->next = child;
    } else {
        frame.part->firstChild = child;
    }
    frame.lastChild = child;
    --partsLeft_;
    Push(child, frame.part->boundary, frame.depth + 1);  // may move `frame`
}

void MimeParser::EndFrame(const char* lineStart) {
    cursor_ = lineStart;  // the container reads this line again
    stack_.pop_back();
}

}  // namespace

bool IsTextPart(const MimePart& part) {
    return part.type[0] == '\0' || EqualsIgnoreCase(part.type, "text");
}

bool HasHeaderBlock(const MimePart& root) {
    ConstLineCursor first(root.headers);
    if (!first) return true;
    const std::string_view line = first.Stored();
    if (line.empty() || line.substr(0, 5) == "From ") return true;  // an mbox envelope line
    size_t i = 0;
    while (i < line.size() && line[i] > ' ' && line[i] < 0x7F && line[i] != ':') ++i;
    return i > 0 && i < line.size() && line[i] == ':';
}

void DestroyPartChain(MimePart* first) {
    MimePart* part = first;
    while (part != nullptr) {
        MimePart* rest = part->next;
        if (MimePart* child = part->firstChild) {
            // Splice the parts in front of the remaining chain; each part is walked
            // over once here, so the whole teardown stays linear.
            MimePart* last = child;
            while (last->next != nullptr) last = last->next;
            last->next = rest;
            rest = child;
            part->firstChild = nullptr;
        }
        part->next = nullptr;
        delete part;
        part = rest;
    }
}

MimePart::~MimePart() {
    DestroyPartChain(firstChild);
    delete[] boundary;
}

void MimePart::Reset() {
    headers.Clear();
    body.Clear();
    epilogue.Clear();
    type[0] = '\0';
    subtype[0] = '\0';
    SetBoundary(nullptr, 0);
    DestroyPartChain(firstChild);
    firstChild = nullptr;
    if (ownArena_) ownArena_->Reset();  // nothing of the old message is left in it
}

void MimePart::UseArena(LineArena* arena) {
    arena_ = arena;
    headers.SetArena(arena);
    body.SetArena(arena);
    epilogue.SetArena(arena);
}

void MimePart::SetBoundary(const char* p, size_t n) {
    delete[] boundary;
    boundary = nullptr;
    if (p == nullptr) return;
    boundary = new char[n + 1];
    std::memcpy(boundary, p, n);
    boundary[n] = '\0';
}

void MimePart::Parse(const char*& cursor, const char* enclosingBoundary) {
    Parse(cursor, cursor + TextLength(cursor), enclosingBoundary);
}

void MimePart::Parse(const char*& cursor, const char* end, const char* enclosingBoundary,
                     ExportProgress& progress, const ParseSource& source) {
    Reset();
    // A part parsed on its own (a message) keeps its lines in storage of its own.
    if (arena_ == nullptr) {
        ownArena_ = std::make_unique<LineArena>();
        UseArena(ownArena_.get());
    }
    if (!source.measured)
        end = cursor + TextLengthWithin(cursor, static_cast<size_t>(end - cursor));
    MimeParser parser(cursor, end, progress, source);
    cursor = parser.Run(*this, enclosingBoundary);
}

size_t MimePart::SerializedSize() const {
    size_t size = headers.TotalLength() + body.TotalLength();
    if (firstChild == nullptr) return size;
    const size_t delimiter = 2 + TextLength(boundary) + 2;
    for (const MimePart* part = firstChild; part != nullptr; part = part->next) {
        size += delimiter + part->SerializedSize();
    }
    return size + delimiter + 2 + epilogue.TotalLength();
}

namespace {

void PutDelimiter(const char* boundary, bool close, TextSink& sink) {
    sink.Put("--", 2);
    sink.Put(boundary, TextLength(boundary));
    if (close) sink.Put("--", 2);
    sink.Put("\r\n", 2);
}

}  // namespace

// Recursion here follows nesting only (bounded by kMaxNestingDepth for parsed
// trees); siblings are looped over.
void MimePart::WriteTo(TextSink& sink) const {
    headers.WriteTo(sink);
    body.WriteTo(sink);
    if (firstChild == nullptr) return;
    for (const MimePart* part = firstChild; part != nullptr; part = part->next) {
        PutDelimiter(boundary, false, sink);
        part->WriteTo(sink);
    }
    PutDelimiter(boundary, true, sink);
    epilogue.WriteTo(sink);
}

std::string MimePart::Serialize() const {
    std::string text;
    text.reserve(SerializedSize());
    StringSink sink(text);
    WriteTo(sink);
    sink.Flush();
    return text;
}

MimePart* MimePart::FindPart(const char* wantedType, const char* wantedSubtype) {
    const MimePart* self = this;
    return const_cast<MimePart*>(self->FindPart(wantedType, wantedSubtype));
}

const MimePart* MimePart::FindPart(const char* wantedType, const char* wantedSubtype) const {
    std::vector<const MimePart*> pending;  // siblings still to visit, innermost last
    const MimePart* part = this;
    while (part != nullptr || !pending.empty()) {
        if (part == nullptr) {
            part = pending.back();
            pending.pop_back();
        }
        if (Matches(*part, wantedType, wantedSubtype)) return part;
        if (part->next != nullptr) pending.push_back(part->next);
        part = part->firstChild;
    }
    return nullptr;
}

void MimePart::GetHeader(const char* name, char* buffer, size_t size) const {
    if (size == 0) return;
    buffer[0] = '\0';
    const size_t nameLength = TextLength(name);
    for (ConstLineCursor e(headers); e; e.Next()) {
        const std::string_view stored = e.Stored();
        if (stored.size() <= nameLength || stored[nameLength] != ':') continue;
        if (!EqualBytesIgnoreCase(stored.data(), name, nameLength)) continue;
        const char* value = e->text + nameLength + 1;
        value += std::strspn(value, " \t\r\n");
        const size_t n = TextLengthWithin(value, size - 1);
        std::memcpy(buffer, value, n);
        buffer[n] = '\0';
        return;
    }
}

namespace {

// Prunes the parts of `container`; returns whether any is left. Recursion
// follows nesting only.
bool PruneParts(MimePart& container, bool dropHtml) {
    MimePart** link = &container.firstChild;
    while (*link != nullptr) {
        MimePart* part = *link;
        const PartFate fate = FateOf(*part, container, dropHtml);
        bool keep = fate == PartFate::kKeep || fate == PartFate::kKeepWhole;
        if (fate == PartFate::kKeep && part->firstChild != nullptr) PruneParts(*part, dropHtml);
        if (fate == PartFate::kLookInto)
            keep = part->firstChild != nullptr && PruneParts(*part, dropHtml);
        if (keep) {
            link = &part->next;
            continue;
        }
        *link = part->next;
        part->next = nullptr;
        DestroyPartChain(part);
    }
    return container.firstChild != nullptr;
}

}  // namespace

void MimePart::DropAttachments(bool dropHtml) { PruneParts(*this, dropHtml); }

}  // namespace tessera
