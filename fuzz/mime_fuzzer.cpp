// Parses, serialises, searches, rewrites and prunes arbitrary input; checks
// that every source line survives, every written line ends in CR LF and only
// text (and multipart parts holding some) survives pruning.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "export/mime/AttachmentRule.h"
#include "export/mime/LineReader.h"
#include "export/mime/MimePart.h"

namespace {

constexpr size_t kMaxInput = 1 << 20;

void Check(bool condition) {
    if (!condition) std::abort();
}

void CheckLines(const std::string& text) {
    size_t start = 0;
    while (start < text.size()) {
        const size_t stop = text.find("\r\n", start);
        Check(stop != std::string::npos);
        Check(stop - start <= tessera::kMaxFoldedHeaderBytes);
        start = stop + 2;
    }
}

// Below the root, pruning leaves text parts and multipart parts with parts.
void CheckPruned(const tessera::MimePart& container, bool dropHtml) {
    for (const tessera::MimePart* part = container.firstChild; part; part = part->next) {
        const tessera::PartFate fate = tessera::FateOf(*part, container, dropHtml);
        Check(fate != tessera::PartFate::kDrop);
        Check(fate != tessera::PartFate::kLookInto || part->firstChild != nullptr);
        if (fate != tessera::PartFate::kKeepWhole) CheckPruned(*part, dropHtml);
    }
}

bool StartsWithF(const char* text, size_t length) { return length > 0 && text[0] == 'F'; }

// The same tree with lines kept as views of the text: read, walked and written
// as the copies are.
void CheckViews(const std::string& text, const char* stop, const tessera::MimePart& root,
                const std::string& out) {
    tessera::MimePart viewed;
    tessera::ParseSource source;
    source.keepViews = true;
    source.copyWhen = StartsWithF;
    const char* cursor = text.c_str();
    viewed.Parse(cursor, text.c_str() + text.size(), nullptr, tessera::Unwatched(), source);
    Check(cursor == stop);
    Check(viewed.Serialize() == out && viewed.SerializedSize() == out.size());
    const tessera::MimePart* a = &root;
    const tessera::MimePart* b = &viewed;
    for (; a != nullptr && b != nullptr; a = a->firstChild, b = b->firstChild) {
        tessera::ConstLineCursor x(a->body), y(b->body);
        for (; x && y; x.Next(), y.Next()) {
            Check(x.Stored() == y.Stored() && x.EndsInCrLf() == y.EndsInCrLf());
            Check(x->length == y->length && std::memcmp(x->text, y->text, x->length) == 0);
        }
        Check(!x && !y);
    }
    Check(a == nullptr && b == nullptr);
    // Changed lines: the views become copies first.
    for (tessera::LineCursor line(viewed.body); line; line.Next()) line->SetText("x\r\n", 3);
    Check(viewed.SerializedSize() == viewed.Serialize().size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInput) return -1;
    const std::string text(reinterpret_cast<const char*>(data), size);
    tessera::MimePart root;
    const char* cursor = text.c_str();
    root.Parse(cursor);
    const size_t consumed = static_cast<size_t>(cursor - text.c_str());
    const std::string out = root.Serialize();
    CheckLines(out);
    CheckViews(text, cursor, root, out);
    // No byte is lost: every consumed line comes back with a break at least as long.
    Check(out.size() >= consumed);
    char value[256];
    root.GetHeader("content-type", value, sizeof value);
    Check(root.FindPart(nullptr, nullptr) == &root);
    // Every body line one byte longer: the copy path of the line storage.
    size_t lines = 0;
    for (tessera::LineCursor line(root.body); line; line.Next(), ++lines) {
        std::string longer = ">" + std::string(line->text, line->length);
        line->SetText(longer.data(), longer.size());
    }
    const std::string quoted = root.Serialize();
    Check(quoted.size() == out.size() + lines && quoted.size() == root.SerializedSize());
    const bool dropHtml = tessera::DropsHtml(root);
    root.DropAttachments(dropHtml);
    CheckPruned(root, dropHtml);
    const std::string pruned = root.Serialize();
    CheckLines(pruned);
    Check(pruned.size() <= quoted.size());
    return 0;
}
