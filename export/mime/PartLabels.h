// The labels in a part's header block that say how to read its body:
// charset, transfer encoding, and whether the part is a file; and setting the
// charset and transfer encoding of a body that the export converted.
#pragma once

#include <string>
#include <string_view>

namespace tessera {

class MimePart;

enum class TransferEncoding { kIdentity, kBase64, kQuotedPrintable, kOther };

struct PartLabels {
    std::string charset;  // the Content-Type charset parameter, empty when none
    TransferEncoding encoding = TransferEncoding::kIdentity;  // 7bit, 8bit, binary or none
    // A file the user keeps as it came: Content-Disposition "attachment", or a
    // file name (filename or name parameter) without an "inline" disposition.
    bool isFile = false;
    // More than one Content-Type or Content-Transfer-Encoding: readers disagree
    // on which counts, so the body is left as it is.
    bool ambiguous = false;
};

// Reads the labels of `part`'s header block.
PartLabels ReadPartLabels(const MimePart& part);

// Labels a converted body: the charset parameter of Content-Type becomes
// `charset` (added when missing; a Content-Type line is added when the part
// has none), and Content-Transfer-Encoding becomes `transferEncoding` (added
// when missing unless it is "7bit"). An empty argument leaves its header alone.
// Every other parameter, the boundary included, is kept as written.
void RelabelPart(MimePart& part, std::string_view charset, std::string_view transferEncoding);

}  // namespace tessera
