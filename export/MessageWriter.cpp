#include "export/MessageWriter.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "export/AsciiText.h"
#include "export/EnvelopeLine.h"
#include "export/HostText.h"
#include "export/MimePart.h"

namespace tessera {

namespace {

constexpr size_t kCharsetBufferSize = 256;
constexpr int kSniffLines = 10;
// Lines converted between two calls of the observer: a few milliseconds of host calls.
constexpr unsigned kLinesPerWorking = 64;
// A long text goes out in pieces this large, each some tens of milliseconds at most.
constexpr size_t kBytesPerWrite = 8 << 20;

bool HasIso2022JpEscape(const char* text) {
    return std::strstr(text, "\x1b$B") != nullptr || std::strstr(text, "\x1b$(D") != nullptr;
}

bool IsText(const char* type) { return EqualsIgnoreCase(type, "text"); }

FnConvert ChooseConverter(const HostApi& host, const MimePart& part, const char* charset) {
    if (EqualsIgnoreCase(charset, "iso-2022-jp")) return host.ISO_2022_JP;
    if (EqualsIgnoreCase(charset, "euc-jp")) return host.EUC_JP;
    int seen = 0;
    for (const LineEntry* line = part.body.head; line && seen < kSniffLines; line = line->next, ++seen) {
        if (HasIso2022JpEscape(line->text)) return host.ISO_2022_JP;
    }
    return nullptr;
}

void QuoteList(LineList& lines) {
    std::string quoted;
    for (LineEntry* line = lines.head; line; line = line->next) {
        if (!NeedsFromQuote(line->text, line->length)) continue;
        quoted.assign(1, '>');
        quoted.append(line->text, line->length);
        line->SetText(quoted.data(), quoted.size());
    }
}

}  // namespace

bool NeedsFromQuote(const char* text, size_t length) {
    size_t i = 0;
    while (i < length && text[i] == '>') ++i;
    if (length - i < 5 || (text[i] | 0x20) != 'f') return false;  // most lines stop here
    return StartsWithIgnoreCase(text + i, length - i, "from ");
}

void QuoteFromLines(MimePart& root) {
    // Depth-first over the tree without recursion: parts, then siblings.
    std::vector<MimePart*> pending{&root};
    while (!pending.empty()) {
        MimePart* part = pending.back();
        pending.pop_back();
        QuoteList(part->body);
        QuoteList(part->epilogue);
        if (part != &root && part->next) pending.push_back(part->next);
        if (part->firstChild) pending.push_back(part->firstChild);
    }
}

MessageWriter::MessageWriter(const HostApi& host, const ExportFormat& format)
    : host_(host), format_(format) {}

void MessageWriter::Working() {
    linesSinceWorking_ = 0;
    if (observer_) observer_->Working();
}

void MessageWriter::ConvertParts(MimePart* part, const char* charset) {
    // Iterative: siblings in a loop, nesting on an explicit stack.
    std::vector<MimePart*> pending;
    if (part) pending.push_back(part);
    while (!pending.empty()) {
        MimePart* current = pending.back();
        pending.pop_back();
        if (current->next) pending.push_back(current->next);
        if (IsText(current->type) || current->type[0] == '\0') {
            ConvertBodyLines(*current, charset);
            ConvertHeaderLines(*current);
        }
        if (current->firstChild) pending.push_back(current->firstChild);
    }
}

void MessageWriter::ConvertBodyLines(MimePart& part, const char* charset) {
    FnConvert convert = ChooseConverter(host_, part, charset);
    if (!convert) return;
    for (LineEntry* line = part.body.head; line; line = line->next) {
        HostText converted(host_, convert(line->text, 0));
        // No result: this line and the rest of the part stay as they were.
        if (!converted.get()) return;
        line->SetText(converted.get(), std::strlen(converted.get()));
        if (++linesSinceWorking_ == kLinesPerWorking) Working();
    }
}

void MessageWriter::ConvertHeaderLines(MimePart& part) {
    char scratch[256];
    for (LineEntry* line = part.headers.head; line; line = line->next) {
        HostText decoded(host_, host_.MIMEHeader(line->text, scratch, 255, 0));
        if (!decoded.get()) continue;  // keep the line as it was
        if (!HasIso2022JpEscape(decoded.get())) {
            line->SetText(decoded.get(), std::strlen(decoded.get()));
            continue;
        }
        HostText converted(host_, host_.ISO_2022_JP(decoded.get(), 0));
        if (converted.get()) line->SetText(converted.get(), std::strlen(converted.get()));
    }
}

bool MessageWriter::WriteInPieces(const std::string& text, OutputFile& file) {
    for (size_t at = 0; at < text.size(); at += kBytesPerWrite) {
        if (!file.Write(text.data() + at, std::min(kBytesPerWrite, text.size() - at))) return false;
        Working();
    }
    return true;
}

bool MessageWriter::WriteMessage(const char* id, OutputFile& file) {
    MimePart root;
    bool addBlankLine = true;
    {
        HostText source(host_, host_.GetSource(id));
        if (!source.get()) return false;
        size_t length = std::strlen(source.get());
        addBlankLine = length <= 3 || (source.get()[length - 2] == '\r' && source.get()[length - 1] == '\n');
        Working();
        const std::function<void()> pulse = [this] { Working(); };
        const char* cursor = source.get();
        root.Parse(cursor, cursor + length, nullptr, observer_ ? &pulse : nullptr);
    }
    if (observer_) observer_->Parsed(root);
    Working();
    char charset[kCharsetBufferSize] = {};
    host_.GetCharSet(id, charset, kCharsetBufferSize - 1);
    ConvertParts(&root, charset);
    Working();
    if (format_.NoAttach && !IsText(root.type)) {
        bool hasPlain = root.FindPart("text", "plain") != nullptr;
        bool hasHtml = root.FindPart("text", "html") != nullptr;
        root.DropAttachments(!(!hasPlain && hasHtml));
    }
    const int saveType = format_.SaveType;
    if (saveType == kSaveTypeMbox) QuoteFromLines(root);
    std::string text = root.Serialize();
    if (text.size() < 3) return false;
    Working();
    bool ok = true;
    if (saveType == kSaveTypeMbox) {
        std::string envelope = BuildEnvelopeLine(root, exportTime_);
        ok = file.Write(envelope.data(), envelope.size());
    }
    ok = ok && WriteInPieces(text, file);
    if (ok && addBlankLine) ok = file.Write("\r\n", 2);
    const std::string& separator = format_.Separator;
    if (ok && saveType == kSaveTypeSeparator && !separator.empty()) {
        ok = file.Write(separator.data(), separator.size()) && file.Write("\r\n", 2);
    }
    return ok;
}

}  // namespace tessera
