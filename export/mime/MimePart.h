#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "export/mime/LineArena.h"
#include "export/mime/LineList.h"
#include "export/seams/ExportProgress.h"

namespace tessera {

class TextSink;

// Containers nested deeper than this keep their delimiter lines as ordinary lines
// of the deepest part: deeper structure is not split up, and nothing is lost.
constexpr size_t kMaxNestingDepth = 32;
// At most this many parts per parsed tree; further delimiter lines stay ordinary
// lines, so a flood of delimiters cannot blow up memory.
constexpr size_t kMaxPartCount = 10000;
// Longest media type or subtype kept.
constexpr size_t kMaxMediaTypeLength = 40;
// Longest folded header stored as one entry; further continuation lines start a
// new entry.
constexpr size_t kMaxFoldedHeaderBytes = 65536;

class MimePart;

// How Parse reads its text.
struct ParseSource {
    // Body lines that end in a break, of parts that are not text (attachments,
    // the preambles and epilogues of containers: what no conversion rebuilds),
    // are held as views of the text instead of copies: the text then stays,
    // unchanged, until the tree is gone. Text is copied (but where viewText
    // holds), so that a message of text that is converted needs its text no
    // longer once parsed.
    bool keepViews = false;
    // With keepViews: a text part for which this holds, asked when its body
    // starts, is held as views too (text likely left as it came); null: none.
    bool (*viewText)(const MimePart& part) = nullptr;
    // Set when a line was kept as a view (when not null).
    bool* keptViews = nullptr;
    // Lines for which this holds are copied all the same (lines a later step
    // rewrites); null: none. Passed on to LineList::AppendView as its screen.
    bool (*copyWhen)(const char* text, size_t length) = nullptr;
    // No NUL comes before the end given: the caller measured the text.
    bool measured = false;
};

// One MIME entity: the message itself or a body part, with every line of it kept
// (each ending in CR LF) so that the tree can be written back.
class MimePart {
    // Declared before the line lists: their entries live in it and must go first.
    std::unique_ptr<LineArena> ownArena_;  // a message's own line storage
    LineArena* arena_ = nullptr;           // the storage of the message this part is in

  public:
    MimePart() = default;
    ~MimePart();
    MimePart(const MimePart&) = delete;
    MimePart& operator=(const MimePart&) = delete;

    // Builds the entity from the NUL-terminated text at the cursor, replacing
    // whatever it held. `enclosingBoundary` is the boundary of the container that
    // holds it, null for a message. The cursor is left at the first line not
    // consumed (for a message: after its close delimiter, or at the end).
    void Parse(const char*& cursor, const char* enclosingBoundary = nullptr);
    // Same over [cursor, end); a NUL byte ends the text early. `progress` is
    // ticked every few thousand lines (long messages).
    void Parse(const char*& cursor, const char* end, const char* enclosingBoundary,
               ExportProgress& progress = Unwatched(), const ParseSource& source = ParseSource());

    // The whole entity as text: headers, body, then for a container with parts each
    // part behind its delimiter line, the close delimiter and the epilogue.
    std::string Serialize() const;
    // The same text, put into a sink piece by piece.
    void WriteTo(TextSink& sink) const;
    // Bytes of that text.
    size_t SerializedSize() const;

    // First entity in pre-order (this, its parts, then its following siblings)
    // whose type and subtype match, ignoring ASCII case; null matches anything.
    MimePart* FindPart(const char* wantedType, const char* wantedSubtype);
    const MimePart* FindPart(const char* wantedType, const char* wantedSubtype) const;

    // Copies the value of this entity's first header called `name` (blanks, CR and
    // LF after the colon skipped; folding and the final CR LF kept), cut to
    // size - 1 bytes; stores an empty text when there is none.
    void GetHeader(const char* name, char* buffer, size_t size) const;

    // Removes the parts that count as attachments (AttachmentRule.h); a multipart
    // part is pruned in turn and goes only when none of its parts is left.
    void DropAttachments(bool dropHtml);

    // Replaces boundary with a copy of p[0..n); null p clears it.
    void SetBoundary(const char* p, size_t n);

    char type[kMaxMediaTypeLength + 1] = {};
    char subtype[kMaxMediaTypeLength + 1] = {};
    char* boundary = nullptr;  // owned; set means the body is split into parts
    LineList headers;
    LineList body;                   // preamble, and stray lines met between parts
    LineList epilogue;               // nested containers only: lines after the close delimiter
    MimePart* next = nullptr;        // next sibling, owned by the parent
    MimePart* firstChild = nullptr;  // owned

    // The line storage this part's lists use (null: the heap), and switching it;
    // the parser gives every part the storage of the message it belongs to.
    LineArena* Arena() const { return arena_; }
    void UseArena(LineArena* arena);

  private:
    void Reset();
};

// True for a part of text: typed "text", or with no type (text/plain by default).
bool IsTextPart(const MimePart& part);

// False when the text does not begin with a header field ("Name:" or a blank
// line): a file with no header block, whose first lines the walker keeps as
// header lines. Such text is no message to convert or relabel.
bool HasHeaderBlock(const MimePart& root);

// Frees a sibling chain and everything below it without recursing per part.
void DestroyPartChain(MimePart* first);

}  // namespace tessera
