#include "export/flow/internal/MessageWriter.h"

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "export/conversion/TextPartConversion.h"
#include "export/framing/MessageFraming.h"
#include "export/mime/AttachmentRule.h"
#include "export/mime/ForwardedMessage.h"
#include "export/mime/LineReader.h"
#include "export/mime/MimePart.h"
#include "export/mime/PartLabels.h"
#include "export/mime/SignedContent.h"
#include "export/seams/HostText.h"
#include "export/text/ByteScan.h"
#include "export/text/TextSink.h"
#include "resources/resource.h"

namespace tessera {

namespace {

constexpr size_t kCharsetBufferSize = 256;
// Written-back text goes to the file in pieces of this size: fewer, larger
// writes cost the system less for each byte.
constexpr size_t kWriteBufferBytes = 1024 * 1024;

class FileSink : public TextSink {
  public:
    FileSink(char* buffer, OutputFile& file, ExportProgress& progress)
        : TextSink(buffer, kWriteBufferBytes), file_(file), progress_(progress) {}

  private:
    bool Deliver(const char* p, size_t n) override {
        const bool ok = file_.Write(p, n);
        progress_.Tick();  // a long message keeps its progress alive piece by piece
        return ok;
    }
    OutputFile& file_;
    ExportProgress& progress_;
};

// Copies the views of text a conversion may rebuild, so that the source need
// not stay beside the converted text; true when views of it remain.
bool KeepsViews(MimePart& root) {
    bool views = false;
    std::vector<MimePart*> pending{&root};
    while (!pending.empty()) {
        MimePart* part = pending.back();
        pending.pop_back();
        if (part->next) pending.push_back(part->next);
        if (part->firstChild) pending.push_back(part->firstChild);
        if (IsTextPart(*part) && part->body.HoldsViews() && ConversionMayRebuild(*part))
            part->body.CopyViews();
        views = views || part->body.HoldsViews() || part->epilogue.HoldsViews();
    }
    return views;
}

}  // namespace

MessageWriter::MessageWriter(const HostApi& host, const ExportFormat& format,
                             const MessageFraming& framing, ExportProgress& progress)
    : host_(host),
      format_(format),
      framing_(framing),
      progress_(progress),
      converter_(host, progress, format.Target) {
    converter_.SetRawUtf8Headers(format.RawUtf8Headers);
}

bool MessageWriter::ConvertParts(MimePart* part, const char* charset, AttachmentHook* hook) {
    bool changed = part != nullptr && ConvertHeaderLines(*part);
    // Iterative: siblings in a loop, nesting on an explicit stack.
    struct Pending {
        MimePart* part;
        const MimePart* container;
    };
    std::vector<Pending> pending;
    if (part) pending.push_back({part, nullptr});
    while (!pending.empty()) {
        const Pending item = pending.back();
        MimePart* current = item.part;
        pending.pop_back();
        if (current->next) pending.push_back({current->next, item.container});
        if (KeptAsReceived(*current)) continue;
        if (current->firstChild) pending.push_back({current->firstChild, current});
        const bool message = item.container && IsForwardedMessage(*current, *item.container);
        if (message && !IsMessageItself(*current)) {
            changed |= ConvertForwarded(*current, hook);
            continue;
        }
        // A file keeps the bytes it came with, its header block included.
        if (!IsTextPart(*current) || current->firstChild || ReadPartLabels(*current).isFile)
            continue;
        changed |= ConvertBodyLines(*current, charset);
        if (current != part) changed |= ConvertHeaderLines(*current);
    }
    return changed;
}

bool MessageWriter::KeptAsReceived(const MimePart& part) const {
    // A reader verifies or decrypts these bytes as they came; only the separator
    // format, a text for reading, converts signed text (and counts it).
    const Seal seal = SealOf(part);
    return seal == Seal::kEncrypted ||
           (seal != Seal::kNone && format_.SaveType != kSaveTypeSeparator);
}

bool MessageWriter::ConvertMessage(MimePart& root, const char* charset, bool& pruned,
                                   AttachmentHook* hook) {
    pruned = false;
    if (!HasHeaderBlock(root)) return false;  // a file without headers is written as it came
    std::optional<SignedContent> signedContent;
    if (format_.NoAttach || format_.SaveType == kSaveTypeSeparator) signedContent.emplace(root);
    const bool converted = ConvertParts(&root, charset, hook);
    bool taken = false;
    if (hook && !hook->Take(root, taken)) {
        hookRefused_ = true;
        return converted;
    }
    pruned = (format_.NoAttach && LeaveOutAttachments(root)) || taken;
    if (signedContent && signedContent->Changed(root)) signatureBroken_ = true;
    return converted;
}

bool MessageWriter::ConvertForwarded(MimePart& part, AttachmentHook* hook) {
    if (forwardedDepth_ >= kMaxForwardedNesting) return false;
    struct Depth {
        int& depth;
        explicit Depth(int& d) : depth(++d) {}
        ~Depth() { --depth; }
    } depth(forwardedDepth_);
    bool converted = false;
    const auto convert = [&](MimePart& message) {
        bool pruned = false;
        // The host's charset is the outer message's: not this one's.
        converted = ConvertMessage(message, "", pruned, hook);
        return converted || pruned;
    };
    const bool changed = ConvertForwardedMessage(part, convert, progress_);
    return changed && converted;
}

bool MessageWriter::ConvertBodyLines(MimePart& part, const char* charset) {
    return ConvertTextPart(part, charset, converter_);
}

bool MessageWriter::ConvertHeaderLines(MimePart& part) {
    return ConvertHeaderBlock(part, converter_);
}

bool MessageWriter::Read(const char* id, HostMessage& message) {
    const char* empty = "";
    message.root.Parse(empty, empty, nullptr);  // no view of an earlier source is left
    message.source.reset();
    message.source.emplace(host_, host_.GetSource(id));
    if (!*message.source) return false;
    const char* text = message.source->get();
    const size_t length = TextLength(text);  // the one scan for the NUL that ends it
    message.lineEnded = length <= 3 || (text[length - 2] == '\r' && text[length - 1] == '\n');
    message.lineBreak = SourceLineBreak(text, text + length);
    progress_.Tick();
    ParseSource source;
    source.keepViews = true;
    source.viewText = TextLikelyStaysAsReceived;
    bool views = false;
    source.keptViews = &views;
    source.copyWhen = framing_.ChangesLine();
    source.measured = true;
    message.root.Parse(text, text + length, nullptr, progress_, source);
    if (!views || !KeepsViews(message.root)) message.source.reset();  // nothing points into it
    return true;
}

bool MessageWriter::Write(const char* id, HostMessage& message, OutputFile& file,
                          AttachmentHook* hook) {
    MimePart& root = message.root;
    char charset[kCharsetBufferSize] = {};
    host_.GetCharSet(id, charset, kCharsetBufferSize - 1);
    signatureBroken_ = false;
    hookRefused_ = false;
    bool pruned = false;
    const bool converted = ConvertMessage(root, charset, pruned, hook);
    progress_.Tick();
    if (hookRefused_) {
        failure_ = IDS_FAILED_WRITE;
        return false;
    }
    framing_.Prepare(root);
    failure_ = IDS_FAILED_EMPTY;
    if (root.SerializedSize() < 3) return false;
    failure_ = IDS_FAILED_WRITE;
    if (!writeBuffer_) writeBuffer_.reset(new char[kWriteBufferBytes]);
    FileSink sink(writeBuffer_.get(), file, progress_);
    framing_.WriteLeadIn(root, sink);
    root.WriteTo(sink);
    framing_.WriteTrailer(message.lineEnded, sink);
    if (!sink.Flush()) return false;
    if (converted) ++messagesConverted_;
    if (signatureBroken_) ++signaturesBroken_;
    return true;
}

}  // namespace tessera
