// Feeds arbitrary header values to the envelope address and date readers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "export/framing/EnvelopeLine.h"
#include "export/mime/MimePart.h"
#include "export/seams/CalendarTime.h"
#include "tests/support/EngineInternals.h"

namespace {

constexpr size_t kMaxInput = 4096;

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInput) return -1;
    const std::string value(reinterpret_cast<const char*>(data), size);
    char address[tessera::kEnvelopeAddressSize];
    tessera::ExtractEnvelopeAddress(value.c_str(), address, sizeof address);
    Check(std::strlen(address) < sizeof address);
    char date[tessera::kEnvelopeDateLength + 1];
    if (tessera::FormatEnvelopeDate(value.c_str(), date, sizeof date) == 0) {
        Check(std::strlen(date) == tessera::kEnvelopeDateLength);
    }
    const std::string sender = tessera::EnvelopeSender(value.c_str());
    Check(!sender.empty() && sender.find_first_of(" \t\r\n") == std::string::npos);
    // The same bytes as a whole message: the line always has its fixed shape.
    tessera::MimePart root;
    const std::string message = "From: " + value + "\r\nDate: " + value + "\r\n\r\n";
    const char* cursor = message.c_str();
    root.Parse(cursor);
    const std::string line =
        tessera::BuildEnvelopeLine(root, tessera::CalendarTime{2024, 2, 29, 1, 2, 3});
    Check(line.compare(0, 5, "From ") == 0 && line.size() >= 5 + 1 + 1 + 24 + 2);
    Check(line.compare(line.size() - 2, 2, "\r\n") == 0);
    return 0;
}
