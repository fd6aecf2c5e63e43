// Header text with arbitrary encoded words through the conversion to
// Shift-JIS: no line break or NUL is ever added, text without anything to
// convert comes back byte for byte, and every word found lies in the text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "export/EncodedWordDecoder.h"
#include "export/HeaderTextConversion.h"
#include "export/ShiftJisConverter.h"
#include "fuzz/FuzzHost.h"

using tessera::fuzzing::Check;

namespace {

constexpr size_t kMaxInput = 1 << 17;

size_t Count(const std::string& text, char c) { return std::count(text.begin(), text.end(), c); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInput) return -1;
    const std::string text(reinterpret_cast<const char*>(data), size);
    tessera::EncodedWord word;
    size_t from = 0;
    while (tessera::FindEncodedWord(text, from, word)) {
        Check(word.begin >= from && word.end <= text.size() &&
              word.end - word.begin <= tessera::kMaxEncodedWordBytes);
        from = word.end;
    }
    static const tessera::HostApi api = tessera::fuzzing::FuzzHostApi();
    tessera::ShiftJisConverter converter(api);
    std::string out;
    const bool changed =
        tessera::ConvertHeaderText(text, converter, tessera::Unmappable::kReference, out);
    Check(changed == (out != text));
    Check(Count(out, '\r') <= Count(text, '\r') && Count(out, '\n') <= Count(text, '\n'));
    Check(Count(out, '\0') <= Count(text, '\0'));
    const bool plain = text.find("=?") == std::string::npos &&
                       text.find('\x1b') == std::string::npos &&
                       std::none_of(text.begin(), text.end(), [](char c) { return c & 0x80; });
    if (plain) Check(out == text);
    return 0;
}
