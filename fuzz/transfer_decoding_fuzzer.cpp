// base64, quoted-printable and Q decoding of arbitrary text: damaged input is
// refused with the output left as it was; decoded output never grows past
// what the input can hold.
#include <cstddef>
#include <cstdint>
#include <string>

#include "export/charset/TransferDecoding.h"
#include "fuzz/FuzzHost.h"

using tessera::fuzzing::Check;

namespace {

constexpr size_t kMaxInput = 1 << 16;
const std::string kBefore = "kept";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInput) return -1;
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string out = kBefore;
    if (!tessera::AppendBase64Bytes(text, out)) Check(out == kBefore);
    Check(out.size() <= kBefore.size() + size / 4 * 3 + 2);
    out = kBefore;
    if (tessera::AppendQuotedPrintableBytes(text, out)) {
        Check(out.size() <= kBefore.size() + 2 * size + 2);  // a lone CR or LF becomes CR LF
    } else {
        Check(out == kBefore);
    }
    out = kBefore;
    if (!tessera::AppendQEncodedBytes(text, out)) Check(out == kBefore);
    Check(out.size() <= kBefore.size() + size);
    return 0;
}
