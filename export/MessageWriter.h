// One host message, from its source to the bytes of its format: read (fetched
// once, parsed whole, the source given back), then written (Japanese text
// converted to Shift-JIS by TextPartConversion, attachments left out when
// asked, framed by the format's MessageFraming).
#pragma once

#include <cstddef>
#include <memory>

#include "export/ExportFormat.h"
#include "export/ExportProgress.h"
#include "export/HostApi.h"
#include "export/MimePart.h"
#include "export/ShiftJisConverter.h"
#include "export/TargetFile.h"

namespace tessera {

class MessageFraming;

// A message as read from the host.
struct HostMessage {
    MimePart root;
    bool lineEnded = true;  // the source ended its last line (or was shorter than 3 bytes)
};

class MessageWriter {
  public:
    // `format` and `framing` are read, never changed, for the writer's whole
    // life; `progress` is ticked while a long message is parsed, converted or
    // written.
    MessageWriter(const HostApi& host, const ExportFormat& format, const MessageFraming& framing,
                  ExportProgress& progress);

    // Fetches the source of `id` and parses it whole; the source is given
    // back before this returns. False when the host gave none.
    bool Read(const char* id, HostMessage& message);
    // Writes the message read for `id` at the file's current position. False
    // when the written-back text is shorter than 3 bytes (nothing written
    // then), or any write failed or fell short.
    bool Write(const char* id, HostMessage& message, OutputFile& file);

    // Converts `part`, its following siblings and everything below them: the
    // body and header block of every text part that is not a file, and the
    // header block of `part` itself (the message's own, when part is the root).
    // Returns whether anything changed.
    // Signed and encrypted content is left as it came (KeptAsReceived); a
    // forwarded message is converted as a message of its own.
    bool ConvertParts(MimePart* part, const char* charset);
    // ConvertParts on a whole message, then its attachments left out when asked
    // (`pruned`: any went). Returns whether its text was converted.
    bool ConvertMessage(MimePart& root, const char* charset, bool& pruned);
    bool ConvertBodyLines(MimePart& part, const char* charset);
    bool ConvertHeaderLines(MimePart& part);

    // Why the last Write failed: an IDS_FAILED_* string id.
    int FailureReason() const { return failure_; }

    // Messages written so far whose text the export converted.
    int MessagesConverted() const { return messagesConverted_; }
    // Characters written as "&#NNNNN;" references so far.
    size_t CharacterReferences() const { return converter_.References(); }
    // Messages written so far whose signed content the export changed, so that
    // their signature no longer verifies.
    int SignaturesBroken() const { return signaturesBroken_; }

  private:
    bool KeptAsReceived(const MimePart& part) const;
    bool ConvertForwarded(MimePart& part);

    const HostApi& host_;
    const ExportFormat& format_;
    const MessageFraming& framing_;
    ExportProgress& progress_;
    ShiftJisConverter converter_;
    int messagesConverted_ = 0;
    int signaturesBroken_ = 0;
    bool signatureBroken_ = false;  // of the message in hand
    int forwardedDepth_ = 0;
    int failure_ = 0;
    std::unique_ptr<char[]> writeBuffer_;  // taken at the first write, kept for the next
};

}  // namespace tessera
