// Whole messages through the writer's conversion, the input also wrapped as a
// forwarded message and as signed content: signed bytes never change in mbox
// and .eml exports unless --no-attach pruned inside them, encrypted parts keep
// every byte, and every written line ends in CR LF within the walker's limit;
// read as an export reads a source, lines left where they stand, a message
// comes out the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "export/conversion/TextPartConversion.h"
#include "export/framing/MessageFraming.h"
#include "export/mime/MimePart.h"
#include "export/mime/SignedContent.h"
#include "export/seams/ExportFormat.h"
#include "fuzz/FuzzHost.h"
#include "tests/support/EngineInternals.h"

using tessera::fuzzing::Check;
using tessera::fuzzing::CheckLines;

namespace {

constexpr size_t kMaxInput = 1 << 20;

std::string Wrapped(const std::string& text, unsigned shape) {
    switch (shape % 4) {
        case 1:  // forwarded
            return "Content-Type: multipart/mixed; boundary=\"=f\"\r\n\r\n--=f\r\n"
                   "Content-Type: message/rfc822\r\n\r\n" +
                   text + "\r\n--=f--\r\n";
        case 2:  // signed
            return "Content-Type: multipart/signed; boundary=\"=s\"\r\n\r\n--=s\r\n" + text +
                   "\r\n--=s\r\nContent-Type: application/pkcs7-signature\r\n\r\nSIG\r\n--=s--\r\n";
        case 3:  // a digest member
            return "Content-Type: multipart/digest; boundary=\"=d\"\r\n\r\n--=d\r\n\r\n" + text +
                   "\r\n--=d--\r\n";
        default:
            return text;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > kMaxInput) return -1;
    const unsigned choice = data[0];
    const std::string text =
        Wrapped(std::string(reinterpret_cast<const char*>(data + 1), size - 1), choice);
    tessera::ExportFormat format;
    format.SaveType = (choice & 4) ? tessera::kSaveTypeSeparator : tessera::kSaveTypeEml;
    format.NoAttach = (choice & 8) != 0;
    static const tessera::HostApi api = tessera::fuzzing::FuzzHostApi();
    static const tessera::CalendarTime now{2026, 12, 7, 8, 30, 0};
    const auto framing = tessera::FramingFor(format, now);
    tessera::MessageWriter writer(api, format, *framing, tessera::Unwatched());
    tessera::MimePart root;
    const char* cursor = text.c_str();
    root.Parse(cursor);
    const tessera::SignedContent signedContent(root);
    bool pruned = false;
    writer.ConvertMessage(root, (choice & 16) ? "iso-2022-jp" : "", pruned);
    const bool keepsSigned = format.SaveType != tessera::kSaveTypeSeparator && !format.NoAttach;
    if (keepsSigned) Check(!signedContent.Changed(root));
    const std::string written = root.Serialize();
    CheckLines(written);
    // Read as an export reads a source, lines held where they stand: the same result.
    tessera::MimePart viewed;
    tessera::ParseSource source;
    source.keepViews = true;
    source.viewText = tessera::TextLikelyStaysAsReceived;
    source.copyWhen = framing->ChangesLine();
    const char* from = text.c_str();
    viewed.Parse(from, text.c_str() + text.size(), nullptr, tessera::Unwatched(), source);
    writer.ConvertMessage(viewed, (choice & 16) ? "iso-2022-jp" : "", pruned);
    Check(viewed.Serialize() == written);
    return 0;
}
