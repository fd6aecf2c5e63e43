#include "export/MimePart.h"

#include <cstring>
#include <vector>

#include "export/ContentType.h"
#include "export/LineReader.h"

namespace tessera {

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoreAsciiCase(const char* a, const char* b) {
    while (*a != '\0' && LowerAscii(*a) == LowerAscii(*b)) {
        ++a;
        ++b;
    }
    return *a == '\0' && *b == '\0';
}

bool HasPrefixIgnoreAsciiCase(const char* text, const char* prefix, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (text[i] == '\0' || LowerAscii(text[i]) != LowerAscii(prefix[i])) return false;
    }
    return true;
}

void CopyCut(char* field, const char* value) {
    const size_t n = strnlen(value, kMaxMediaTypeLength);
    std::memcpy(field, value, n);
    field[n] = '\0';
}

bool Matches(const MimePart& part, const char* wantedType, const char* wantedSubtype) {
    if (wantedType != nullptr && !EqualsIgnoreAsciiCase(part.type, wantedType)) return false;
    return wantedSubtype == nullptr || EqualsIgnoreAsciiCase(part.subtype, wantedSubtype);
}

bool IsAttachment(const MimePart& part, bool dropHtml) {
    if (!EqualsIgnoreAsciiCase(part.type, "text")) return true;
    return dropHtml && EqualsIgnoreAsciiCase(part.subtype, "html");
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
};

// Builds a tree line by line with an explicit stack of open entities, so neither
// nesting nor sibling counts reach the call stack.
class MimeParser {
public:
    MimeParser(const char* cursor, const char* end, const std::function<void()>* pulse)
        : cursor_(cursor), end_(end), pulse_(pulse) {}
    const char* Run(MimePart& root, const char* enclosing);

private:
    void Push(MimePart* part, const char* enclosing, size_t depth);
    void Step();
    void HeaderLine(Frame& frame, const LineSpan& line);
    void ApplyContentType(MimePart& part);
    void BodyLine(const LineSpan& line, const char* lineStart);
    void EpilogueLine(const LineSpan& line, const char* lineStart);
    bool BelongsToEnclosing(const Frame& frame, const LineSpan& line) const;
    void OpenChild(Frame& frame);
    void EndFrame(const char* lineStart);

    const char* cursor_;
    const char* end_;
    std::vector<Frame> stack_;
    std::string header_;  // one scratch buffer for folded headers, reused
    size_t partsLeft_ = kMaxPartCount;
    const std::function<void()>* pulse_;
};

// Lines parsed between two pulses: well under a millisecond of work.
constexpr unsigned kLinesPerPulse = 4096;

const char* MimeParser::Run(MimePart& root, const char* enclosing) {
    Push(&root, enclosing, 0);
    unsigned lines = 0;
    while (!stack_.empty() && cursor_ < end_) {
        Step();
        if (pulse_ && ++lines == kLinesPerPulse) {
            lines = 0;
            (*pulse_)();
        }
    }
    return cursor_;
}

void MimeParser::Push(MimePart* part, const char* enclosing, size_t depth) {
    const size_t enclosingLength = enclosing != nullptr ? std::strlen(enclosing) : 0;
    stack_.push_back(Frame{part, enclosing, enclosingLength, 0, depth, nullptr, Mode::kHeader});
}

void MimeParser::Step() {
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
        frame.boundaryLength = part.boundary != nullptr ? std::strlen(part.boundary) : 0;
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
    if (!ParseContentType(&header_[0], fields)) return;
    CopyCut(part.type, fields.type);
    CopyCut(part.subtype, fields.subtype);
    if (fields.boundary != nullptr) part.SetBoundary(fields.boundary, std::strlen(fields.boundary));
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
    if (!dashes) {
        part.body.AppendLine(line.data, line.length);
        return;
    }
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
    part.body.AppendLine(line.data, line.length);
}

void MimeParser::EpilogueLine(const LineSpan& line, const char* lineStart) {
    Frame& frame = stack_.back();
    const bool dashes = line.length >= 2 && line.data[0] == '-' && line.data[1] == '-';
    if (dashes && BelongsToEnclosing(frame, line)) return EndFrame(lineStart);
    frame.part->epilogue.AppendLine(line.data, line.length);
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
    Parse(cursor, cursor + std::strlen(cursor), enclosingBoundary);
}

void MimePart::Parse(const char*& cursor, const char* end, const char* enclosingBoundary,
                     const std::function<void()>* pulse) {
    Reset();
    // A part parsed on its own (a message) keeps its lines in storage of its own.
    if (arena_ == nullptr) {
        ownArena_ = std::make_unique<LineArena>();
        UseArena(ownArena_.get());
    }
    end = cursor + strnlen(cursor, static_cast<size_t>(end - cursor));
    MimeParser parser(cursor, end, pulse);
    cursor = parser.Run(*this, enclosingBoundary);
}

size_t MimePart::SerializedSize() const {
    size_t size = headers.TotalLength() + body.TotalLength();
    if (firstChild == nullptr) return size;
    const size_t delimiter = 2 + std::strlen(boundary) + 2;
    for (const MimePart* part = firstChild; part != nullptr; part = part->next) {
        size += delimiter + part->SerializedSize();
    }
    return size + delimiter + 2 + epilogue.TotalLength();
}

namespace {

void AppendLines(const LineList& lines, std::string& out) {
    for (const LineEntry* e = lines.head; e != nullptr; e = e->next) out.append(e->text, e->length);
}

void AppendDelimiter(const char* boundary, bool close, std::string& out) {
    out.append("--", 2);
    out.append(boundary);
    if (close) out.append("--", 2);
    out.append("\r\n", 2);
}

}  // namespace

// Recursion here follows nesting only (bounded by kMaxNestingDepth for parsed
// trees); siblings are looped over.
void MimePart::SerializeTo(std::string& out) const {
    AppendLines(headers, out);
    AppendLines(body, out);
    if (firstChild == nullptr) return;
    for (const MimePart* part = firstChild; part != nullptr; part = part->next) {
        AppendDelimiter(boundary, false, out);
        part->SerializeTo(out);
    }
    AppendDelimiter(boundary, true, out);
    AppendLines(epilogue, out);
}

std::string MimePart::Serialize() const {
    // Sized exactly up front (appending never reallocates) and filled without
    // zeroing first, so every output byte is written once.
    std::string text;
    text.reserve(SerializedSize());
    SerializeTo(text);
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
    const size_t nameLength = std::strlen(name);
    for (const LineEntry* e = headers.head; e != nullptr; e = e->next) {
        if (e->length <= nameLength || e->text[nameLength] != ':') continue;
        if (!HasPrefixIgnoreAsciiCase(e->text, name, nameLength)) continue;
        const char* value = e->text + nameLength + 1;
        value += std::strspn(value, " \t\r\n");
        const size_t n = strnlen(value, size - 1);
        std::memcpy(buffer, value, n);
        buffer[n] = '\0';
        return;
    }
}

void MimePart::DropAttachments(bool dropHtml) {
    std::vector<MimePart*> containers{this};
    while (!containers.empty()) {
        MimePart* container = containers.back();
        containers.pop_back();
        MimePart** link = &container->firstChild;
        while (*link != nullptr) {
            MimePart* part = *link;
            if (IsAttachment(*part, dropHtml)) {
                *link = part->next;
                part->next = nullptr;
                DestroyPartChain(part);
                continue;
            }
            if (part->firstChild != nullptr) containers.push_back(part);
            link = &part->next;
        }
    }
}

}  // namespace tessera
