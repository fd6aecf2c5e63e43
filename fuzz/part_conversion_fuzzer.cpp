// Whole messages through the part conversion: the tree keeps its shape, every
// written line ends in CR LF within the walker's limit, and files and parts
// that are not converted come back byte for byte; a body converted to UTF-8 is
// well-formed UTF-8.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "export/charset/Utf8ToShiftJis.h"
#include "export/conversion/ShiftJisConverter.h"
#include "export/conversion/TextPartConversion.h"
#include "export/mime/LineReader.h"
#include "export/mime/MimePart.h"
#include "export/mime/PartLabels.h"
#include "fuzz/FuzzHost.h"

using tessera::fuzzing::Check;
using tessera::fuzzing::CheckLines;

namespace {

constexpr size_t kMaxInput = 1 << 20;
const char* const kMessageCharsets[] = {"", "iso-2022-jp", "euc-jp", "utf-8"};

void Leaves(tessera::MimePart* part, std::vector<tessera::MimePart*>& out) {
    std::vector<tessera::MimePart*> pending{part};
    while (!pending.empty()) {
        tessera::MimePart* p = pending.back();
        pending.pop_back();
        if (p != part && p->next) pending.push_back(p->next);
        if (p->firstChild)
            pending.push_back(p->firstChild);
        else
            out.push_back(p);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > kMaxInput) return -1;
    const char* messageCharset = kMessageCharsets[data[0] % 4];
    const tessera::TargetCharset target =
        data[0] & 4 ? tessera::TargetCharset::kUtf8 : tessera::TargetCharset::kShiftJis;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    tessera::MimePart root;
    const char* cursor = text.c_str();
    root.Parse(cursor);
    std::vector<tessera::MimePart*> leaves;
    Leaves(&root, leaves);
    static const tessera::HostApi api = tessera::fuzzing::FuzzHostApi();
    tessera::ShiftJisConverter converter(api, tessera::Unwatched(), target);
    for (tessera::MimePart* leaf : leaves) {
        const std::string before = leaf->Serialize();
        const bool file = tessera::ReadPartLabels(*leaf).isFile;
        const bool changed = tessera::ConvertTextPart(*leaf, messageCharset, converter);
        // A file, or a part left unconverted, keeps every byte.
        if (file || !changed) Check(!changed && leaf->Serialize() == before);
        if (changed && target == tessera::TargetCharset::kUtf8) {
            std::string body;
            for (tessera::ConstLineCursor e(leaf->body); e; e.Next()) body += e.Stored();
            Check(tessera::IsWellFormedUtf8(body));
        }
        if (!file) tessera::ConvertHeaderBlock(*leaf, converter);
    }
    std::vector<tessera::MimePart*> again;
    Leaves(&root, again);
    Check(again == leaves);
    CheckLines(root.Serialize());
    return 0;
}
