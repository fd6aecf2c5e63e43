// UTF-8 to Shift-JIS on arbitrary bytes: converted exactly when well-formed,
// and what is written is always text code page 932 decodes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "export/charset/CharsetLabel.h"
#include "export/charset/Utf8ToShiftJis.h"
#include "fuzz/FuzzHost.h"

using tessera::fuzzing::Check;

namespace {

constexpr size_t kMaxInput = 1 << 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInput) return -1;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const bool wellFormed = tessera::IsWellFormedUtf8(text);
    for (tessera::Unmappable policy :
         {tessera::Unmappable::kReference, tessera::Unmappable::kUnderscore}) {
        std::string out = "x";
        size_t unmapped = 0;
        tessera::ShiftJisRepertoire repertoire = tessera::ShiftJisRepertoire::kInvalid;
        const bool ok = tessera::AppendUtf8AsShiftJis(text, policy, out, &unmapped, &repertoire);
        Check(ok == wellFormed);
        if (!ok) {
            Check(out == "x" && unmapped == 0);
            continue;
        }
        Check(tessera::MeasureShiftJis(out) != tessera::ShiftJisRepertoire::kInvalid);
        Check(repertoire == tessera::MeasureShiftJis(out.substr(1)));
        Check(unmapped <= size);
        if (policy == tessera::Unmappable::kUnderscore) Check(out.size() <= size + 1);
    }
    return 0;
}
