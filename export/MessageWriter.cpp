#include "export/MessageWriter.h"

#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "export/EnvelopeLine.h"
#include "export/MimePart.h"

namespace tessera {

namespace {

constexpr size_t kCharsetBufferSize = 256;
constexpr int kSniffLines = 10;

bool HasIso2022JpEscape(const char* text) {
    return std::strstr(text, "\x1b$B") != nullptr || std::strstr(text, "\x1b$(D") != nullptr;
}

bool IsText(const char* type) { return strcasecmp(type, "text") == 0; }

// Calls the host's free for a buffer it handed out, once, when leaving scope.
class HostText {
public:
    HostText(const HostApi& host, char* text) : host_(host), text_(text) {}
    ~HostText() {
        if (text_) host_.Free(text_);
    }
    HostText(const HostText&) = delete;
    HostText& operator=(const HostText&) = delete;
    char* get() const { return text_; }

private:
    const HostApi& host_;
    char* text_;
};

FnConvert ChooseConverter(const HostApi& host, const MimePart& part, const char* charset) {
    if (strcasecmp(charset, "iso-2022-jp") == 0) return host.ISO_2022_JP;
    if (strcasecmp(charset, "euc-jp") == 0) return host.EUC_JP;
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
    return strncasecmp(text + i, "from ", 5) == 0;
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

MessageWriter::MessageWriter(const HostApi& host, const ExportChoices& choices)
    : host_(host), choices_(choices) {}

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

bool MessageWriter::WriteMessage(const char* id, OutputFile& file) {
    MimePart root;
    bool addBlankLine = true;
    {
        HostText source(host_, host_.GetSource(id));
        if (!source.get()) return false;
        size_t length = std::strlen(source.get());
        addBlankLine = length <= 3 || (source.get()[length - 2] == '\r' && source.get()[length - 1] == '\n');
        const char* cursor = source.get();
        root.Parse(cursor, nullptr);
    }
    char charset[kCharsetBufferSize] = {};
    host_.GetCharSet(id, charset, kCharsetBufferSize - 1);
    ConvertParts(&root, charset);
    if (choices_.EffectiveNoAttach() && !IsText(root.type)) {
        bool hasPlain = root.FindPart("text", "plain") != nullptr;
        bool hasHtml = root.FindPart("text", "html") != nullptr;
        root.DropAttachments(!(!hasPlain && hasHtml));
    }
    int saveType = choices_.EffectiveSaveType();
    if (saveType == kSaveTypeMbox) QuoteFromLines(root);
    std::string text = root.Serialize();
    if (text.size() < 3) return false;
    bool ok = true;
    if (saveType == kSaveTypeMbox) {
        std::string envelope = BuildEnvelopeLine(root, hasExportTime_ ? exportTime_ : LocalNow());
        ok = file.Write(envelope.data(), envelope.size());
    }
    ok = ok && file.Write(text.data(), text.size());
    // In an mbox the blank line is framing: many readers start a message only at a
    // "From " line that follows a blank line.
    if (ok && (addBlankLine || saveType == kSaveTypeMbox)) ok = file.Write("\r\n", 2);
    const std::string& separator = choices_.EffectiveSeparator();
    if (ok && saveType == kSaveTypeSeparator && !separator.empty()) {
        ok = file.Write(separator.data(), separator.size()) && file.Write("\r\n", 2);
    }
    return ok;
}

}  // namespace tessera
