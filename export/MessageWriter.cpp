#include "export/MessageWriter.h"

#include <cstring>
#include <string>
#include <vector>

#include "export/AsciiText.h"
#include "export/AttachmentRule.h"
#include "export/EnvelopeLine.h"
#include "export/HostText.h"
#include "export/MimePart.h"
#include "export/TextSink.h"

namespace tessera {

namespace {

constexpr size_t kCharsetBufferSize = 256;
constexpr int kSniffLines = 10;
// Written-back text goes to the file in pieces of this size.
constexpr size_t kWriteBufferBytes = 64 * 1024;

bool HasIso2022JpEscape(const char* text) {
    return std::strstr(text, "\x1b$B") != nullptr || std::strstr(text, "\x1b$(D") != nullptr;
}

bool IsText(const char* type) { return EqualsIgnoreCase(type, "text"); }

FnConvert ChooseConverter(const HostApi& host, const MimePart& part, const char* charset) {
    if (EqualsIgnoreCase(charset, "iso-2022-jp")) return host.ISO_2022_JP;
    if (EqualsIgnoreCase(charset, "euc-jp")) return host.EUC_JP;
    int seen = 0;
    for (ConstLineCursor line(part.body); line && seen < kSniffLines; line.Next(), ++seen) {
        if (HasIso2022JpEscape(line->text)) return host.ISO_2022_JP;
    }
    return nullptr;
}

class FileSink : public TextSink {
  public:
    explicit FileSink(OutputFile& file) : TextSink(kWriteBufferBytes), file_(file) {}

  private:
    bool Deliver(const char* p, size_t n) override { return file_.Write(p, n); }
    OutputFile& file_;
};

void QuoteList(LineList& lines) {
    std::string quoted;
    for (LineCursor line(lines); line; line.Next()) {
        const std::string_view stored = line.Stored();
        if (!NeedsFromQuote(stored.data(), stored.size())) continue;
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
    for (LineCursor line(part.body); line; line.Next()) {
        HostText converted(host_, convert(line->text, 0));
        // No result: this line and the rest of the part stay as they were.
        if (!converted.get()) return;
        line->SetText(converted.get(), std::strlen(converted.get()));
    }
}

void MessageWriter::ConvertHeaderLines(MimePart& part) {
    char scratch[256];
    for (LineCursor line(part.headers); line; line.Next()) {
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
        root.Parse(cursor, cursor + length, nullptr);
    }
    char charset[kCharsetBufferSize] = {};
    host_.GetCharSet(id, charset, kCharsetBufferSize - 1);
    ConvertParts(&root, charset);
    if (format_.NoAttach) LeaveOutAttachments(root);
    const int saveType = format_.SaveType;
    if (saveType == kSaveTypeMbox) QuoteFromLines(root);
    if (root.SerializedSize() < 3) return false;
    FileSink sink(file);
    if (saveType == kSaveTypeMbox) {
        std::string envelope = BuildEnvelopeLine(root, exportTime_);
        sink.Put(envelope.data(), envelope.size());
    }
    root.WriteTo(sink);
    // In an mbox the blank line is framing: many readers start a message only at a
    // "From " line that follows a blank line.
    if (addBlankLine || saveType == kSaveTypeMbox) sink.Put("\r\n", 2);
    const std::string& separator = format_.Separator;
    if (saveType == kSaveTypeSeparator && !separator.empty()) {
        sink.Put(separator.data(), separator.size());
        sink.Put("\r\n", 2);
    }
    return sink.Flush();
}

}  // namespace tessera
