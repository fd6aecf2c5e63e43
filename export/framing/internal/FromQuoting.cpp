#include "export/framing/internal/FromQuoting.h"

#include <cstring>
#include <string>
#include <vector>

#include "export/mime/LineList.h"
#include "export/mime/MimePart.h"
#include "export/text/ByteScan.h"

namespace tessera {

namespace {

// Where the line after the one at p starts, or null at the end of [p, end).
const char* NextLineStart(const char* p, const char* end) {
    const char* lf = FindByte(p, end, '\n');
    return lf != nullptr ? lf + 1 : nullptr;
}

// An entry holds one line, or a folded header with line breaks inside (and a
// converter may have put some there): every line of it counts.
bool EntryNeedsQuote(const char* text, size_t length) {
    const char* end = text + length;
    for (const char* line = text; line != nullptr; line = NextLineStart(line, end)) {
        if (NeedsFromQuote(line, static_cast<size_t>(end - line))) return true;
    }
    return false;
}

void QuoteEntry(std::string_view stored, std::string& quoted) {
    quoted.clear();
    const char* end = stored.data() + stored.size();
    for (const char* line = stored.data(); line != nullptr;) {
        const char* next = NextLineStart(line, end);
        if (NeedsFromQuote(line, static_cast<size_t>(end - line))) quoted += '>';
        quoted.append(line, static_cast<size_t>((next != nullptr ? next : end) - line));
        line = next;
    }
}

void QuoteList(LineList& lines) {
    // Most lists: one quick read, over the lines the parse did not look at already.
    if (!lines.AnyLine(EntryNeedsQuote, LineNeedsFromQuote)) return;
    std::string quoted;
    for (LineCursor line(lines); line; line.Next()) {
        const std::string_view stored = line.Stored();
        if (!EntryNeedsQuote(stored.data(), stored.size())) continue;
        QuoteEntry(stored, quoted);
        if (line.EndsInCrLf()) quoted.append("\r\n", 2);
        line->SetText(quoted.data(), quoted.size());
    }
}

}  // namespace

bool LineNeedsFromQuote(const char* text, size_t length) { return NeedsFromQuote(text, length); }

void QuoteFromLines(MimePart& root) {
    // Depth-first over the tree without recursion: parts, then siblings.
    std::vector<MimePart*> pending{&root};
    while (!pending.empty()) {
        MimePart* part = pending.back();
        pending.pop_back();
        QuoteList(part->headers);
        QuoteList(part->body);
        QuoteList(part->epilogue);
        if (part != &root && part->next) pending.push_back(part->next);
        if (part->firstChild) pending.push_back(part->firstChild);
    }
}

}  // namespace tessera
