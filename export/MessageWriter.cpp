#include "export/MessageWriter.h"

#include <cstring>
#include <vector>

#include "export/AsciiText.h"
#include "export/AttachmentRule.h"
#include "export/HostText.h"
#include "export/MessageFraming.h"
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
    FileSink(OutputFile& file, ExportProgress& progress)
        : TextSink(kWriteBufferBytes), file_(file), progress_(progress) {}

  private:
    bool Deliver(const char* p, size_t n) override {
        const bool ok = file_.Write(p, n);
        progress_.Tick();  // a long message keeps its progress alive piece by piece
        return ok;
    }
    OutputFile& file_;
    ExportProgress& progress_;
};

}  // namespace

MessageWriter::MessageWriter(const HostApi& host, const ExportFormat& format,
                             const MessageFraming& framing, ExportProgress& progress)
    : host_(host),
      format_(format),
      framing_(framing),
      progress_(progress),
      converter_(host, progress) {}

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

bool MessageWriter::Read(const char* id, HostMessage& message) {
    HostText source(host_, host_.GetSource(id));
    if (!source) return false;
    const char* text = source.get();
    const size_t length = std::strlen(text);
    message.lineEnded = length <= 3 || (text[length - 2] == '\r' && text[length - 1] == '\n');
    progress_.Tick();
    message.root.Parse(text, text + length, nullptr, progress_);
    return true;
}

bool MessageWriter::Write(const char* id, HostMessage& message, OutputFile& file) {
    MimePart& root = message.root;
    char charset[kCharsetBufferSize] = {};
    host_.GetCharSet(id, charset, kCharsetBufferSize - 1);
    const bool converted = ConvertParts(&root, charset);
    progress_.Tick();
    if (format_.NoAttach) LeaveOutAttachments(root);
    framing_.Prepare(root);
    if (root.SerializedSize() < 3) return false;
    FileSink sink(file, progress_);
    framing_.WriteLeadIn(root, sink);
    root.WriteTo(sink);
    framing_.WriteTrailer(message.lineEnded, sink);
    if (!sink.Flush()) return false;
    if (converted) ++messagesConverted_;
    return true;
}

}  // namespace tessera
