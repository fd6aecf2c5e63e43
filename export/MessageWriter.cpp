#include "export/MessageWriter.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "export/AsciiText.h"
#include "export/AttachmentRule.h"
#include "export/EnvelopeLine.h"
#include "export/HostText.h"
#include "export/MboxContentLength.h"
#include "export/MimePart.h"
#include "export/PartLabels.h"
#include "export/TextPartConversion.h"
#include "export/TextSink.h"

namespace tessera {

namespace {

constexpr size_t kCharsetBufferSize = 256;
// Written-back text goes to the file in pieces of this size.
constexpr size_t kWriteBufferBytes = 64 * 1024;

bool IsText(const char* type) { return EqualsIgnoreCase(type, "text"); }

class FileSink : public TextSink {
  public:
    FileSink(OutputFile& file, MessageWriter& writer)
        : TextSink(kWriteBufferBytes), file_(file), writer_(writer) {}

  private:
    bool Deliver(const char* p, size_t n) override {
        const bool ok = file_.Write(p, n);
        writer_.Working();  // a long message keeps its progress alive piece by piece
        return ok;
    }
    OutputFile& file_;
    MessageWriter& writer_;
};

void QuoteList(LineList& lines) {
    if (!lines.AnyLine(NeedsFromQuote)) return;  // most lists: one quick read
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
    : host_(host), format_(format), converter_(host) {}

bool MessageWriter::ConvertParts(MimePart* part, const char* charset) {
    bool changed = part != nullptr && ConvertHeaderLines(*part);
    // Iterative: siblings in a loop, nesting on an explicit stack. A part
    // without a type is text, except in a digest, where it is a message.
    struct Pending {
        MimePart* part;
        bool inDigest;
    };
    std::vector<Pending> pending;
    if (part) pending.push_back({part, false});
    while (!pending.empty()) {
        const Pending item = pending.back();
        MimePart* current = item.part;
        pending.pop_back();
        if (current->next) pending.push_back({current->next, item.inDigest});
        if (current->firstChild) {
            pending.push_back({current->firstChild, EqualsIgnoreCase(current->subtype, "digest")});
        }
        const bool text = IsText(current->type) || (current->type[0] == '\0' && !item.inDigest);
        // A file keeps the bytes it came with, its header block included.
        if (!text || current->firstChild || ReadPartLabels(*current).isFile) continue;
        changed |= ConvertBodyLines(*current, charset);
        if (current != part) changed |= ConvertHeaderLines(*current);
    }
    return changed;
}

bool MessageWriter::ConvertBodyLines(MimePart& part, const char* charset) {
    return ConvertTextPart(part, charset, converter_);
}

bool MessageWriter::ConvertHeaderLines(MimePart& part) {
    return ConvertHeaderBlock(part, converter_);
}

bool MessageWriter::WriteMessage(const char* id, OutputFile& file) {
    MimePart root;
    bool addBlankLine = true;
    {
        HostText source(host_, host_.GetSource(id));
        if (!source.get()) return false;
        size_t length = std::strlen(source.get());
        addBlankLine =
            length <= 3 || (source.get()[length - 2] == '\r' && source.get()[length - 1] == '\n');
        Working();
        const std::function<void()> pulse = [this] { Working(); };
        const char* cursor = source.get();
        root.Parse(cursor, cursor + length, nullptr, observer_ ? &pulse : nullptr);
    }
    if (observer_) observer_->Parsed(root);
    char charset[kCharsetBufferSize] = {};
    host_.GetCharSet(id, charset, kCharsetBufferSize - 1);
    const bool converted = ConvertParts(&root, charset);
    Working();
    if (partsHook_ && !partsHook_(root)) return false;
    if (format_.NoAttach) LeaveOutAttachments(root);
    const int saveType = format_.SaveType;
    if (saveType == kSaveTypeMbox) {
        QuoteFromLines(root);
        DropStaleContentLength(root);
    }
    if (root.SerializedSize() < 3) return false;
    FileSink sink(file, *this);
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
    if (!sink.Flush()) return false;
    if (converted) ++messagesConverted_;
    return true;
}

}  // namespace tessera
