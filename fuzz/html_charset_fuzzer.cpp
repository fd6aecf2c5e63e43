// Charset declarations of arbitrary HTML rewritten: a second rewrite to the
// same label changes nothing, and only declarations change length.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzHost.h"
#include "tests/support/EngineInternals.h"

using tessera::fuzzing::Check;

namespace {

constexpr size_t kMaxInput = 1 << 18;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInput) return -1;
    std::string html(reinterpret_cast<const char*>(data), size);
    const size_t rewritten = tessera::RewriteHtmlCharsetDeclarations(html, "MS932");
    if (rewritten == 0) Check(html.size() == size);
    const std::string once = html;
    Check(tessera::RewriteHtmlCharsetDeclarations(html, "MS932") == rewritten);
    Check(html == once);
    return 0;
}
