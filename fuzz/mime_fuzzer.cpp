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
