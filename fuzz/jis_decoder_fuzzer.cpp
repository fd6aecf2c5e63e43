// The engine's own ISO-2022-JP and EUC-JP decoding on arbitrary bytes: a
// refusal leaves the output as it was, and what EUC-JP or 7-bit ISO-2022-JP
// text becomes is always text code page 932 decodes; the charset guess on the
// same bytes is a reading they fit. To UTF-8, a refusal likewise leaves the
// output as it was, and the text is always well-formed UTF-8 (and Shift-JIS
// text always decodes where Shift-JIS decoding takes the same bytes).
#include <cstddef>
#include <cstdint>
#include <string>

#include "export/charset/CharsetLabel.h"
#include "export/charset/CharsetSniffing.h"
#include "export/charset/JisDecoder.h"
#include "export/charset/ShiftJisToUtf8.h"
#include "export/charset/Utf8ToShiftJis.h"
#include "fuzz/FuzzHost.h"

using tessera::fuzzing::Check;

namespace {

constexpr size_t kMaxInput = 1 << 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > kMaxInput) return -1;
    const auto charset =
        data[0] & 1 ? tessera::JapaneseCharset::kEucJp : tessera::JapaneseCharset::kIso2022Jp;
    const auto policy =
        data[0] & 2 ? tessera::Unmappable::kUnderscore : tessera::Unmappable::kReference;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string out = "x";
    size_t unmapped = 0;
    // A guess is always a reading the bytes fit.
    const tessera::JapaneseCharset guess = tessera::GuessJapaneseCharset(text);
    if (guess == tessera::JapaneseCharset::kEucJp) Check(tessera::IsEucJpText(text));
    if (guess == tessera::JapaneseCharset::kShiftJis)
        Check(tessera::MeasureShiftJis(text) != tessera::ShiftJisRepertoire::kInvalid);
    std::string utf8 = "x";
    size_t undefined = 0;
    if (tessera::AppendJisAsUtf8(charset, text, utf8, &undefined)) {
        Check(utf8.compare(0, 1, "x") == 0 && tessera::IsWellFormedUtf8(utf8));
        Check(undefined <= text.size());
    } else {
        Check(utf8 == "x" && undefined == 0);
    }
    std::string fromSjis;
    if (tessera::MeasureShiftJis(text) != tessera::ShiftJisRepertoire::kInvalid)
        Check(tessera::AppendShiftJisAsUtf8(text, fromSjis) && tessera::IsWellFormedUtf8(fromSjis));
    const bool ok = tessera::AppendJisAsShiftJis(charset, text, policy, out, &unmapped);
    if (!ok) {
        Check(out == "x" && unmapped == 0);
        return 0;
    }
    Check(unmapped <= text.size());
    if (charset == tessera::JapaneseCharset::kEucJp || !tessera::HasEightBitByte(text))
        Check(tessera::MeasureShiftJis(out) != tessera::ShiftJisRepertoire::kInvalid);
    return 0;
}
