// Parses, serialises, searches and prunes arbitrary input; checks that every
// source line survives and every written line ends in CR LF.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "export/LineReader.h"
#include "export/MimePart.h"

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
    const bool hasPlain = root.FindPart("text", "plain") != nullptr;
    const bool hasHtml = root.FindPart("TEXT", "html") != nullptr;
    Check(root.FindPart(nullptr, nullptr) == &root);
    root.DropAttachments(hasPlain || !hasHtml);
    const std::string pruned = root.Serialize();
    CheckLines(pruned);
    Check(pruned.size() <= out.size());
    return 0;
}
