// One host message, from its source to the bytes of its format: read (fetched
// once, parsed whole, the source given back), then written (Japanese text
// converted to the target charset by TextPartConversion, attachments left out when
// asked, framed by the format's MessageFraming).
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

#include "export/conversion/ShiftJisConverter.h"
#include "export/mime/MimePart.h"
#include "export/seams/ExportFormat.h"
#include "export/seams/ExportProgress.h"
#include "export/seams/HostApi.h"
#include "export/seams/HostText.h"
#include "export/seams/TargetFile.h"

namespace tessera {

class MessageFraming;

// A message as read from the host. The lines of its attachments stay in its
// source, held with it while any do.
struct HostMessage {
    std::optional<HostText> source;  // declared first: the tree's views point into it
    MimePart root;
    bool lineEnded = true;  // the source ended its last line (or was shorter than 3 bytes)
    std::string_view lineBreak = "\r\n";  // the source's (SourceLineBreak)
};

// Sees a message (and each forwarded message converted inside it) after its
// text is converted and before its attachments are left out (attachments
// saved as files, say); may change its parts.
class AttachmentHook {
  public:
    virtual ~AttachmentHook() = default;
    // `changed`: set when it changed the message. False fails the message.
    virtual bool Take(MimePart& root, bool& changed) = 0;
};

class MessageWriter {
  public:
    // `format` and `framing` are read, never changed, for the writer's whole
    // life; `progress` is ticked while a long message is parsed, converted or
    // written.
    MessageWriter(const HostApi& host, const ExportFormat& format, const MessageFraming& framing,
                  ExportProgress& progress);

    // Fetches the source of `id` and parses it whole; the message holds the
    // source until it goes. False when the host gave none.
    bool Read(const char* id, HostMessage& message);
    // Writes the message read for `id` at the file's current position. False
    // when the written-back text is shorter than 3 bytes (nothing written
    // then), `hook` refused it, or any write failed or fell short.
    bool Write(const char* id, HostMessage& message, OutputFile& file,
               AttachmentHook* hook = nullptr);

    // Converts `part`, its following siblings and everything below them: the
    // body and header block of every text part that is not a file, and the
    // header block of `part` itself (the message's own, when part is the root).
    // Returns whether anything changed.
    // Signed and encrypted content is left as it came (KeptAsReceived); a
    // forwarded message is converted as a message of its own.
    // `hook` is handed each forwarded message converted as a message.
    bool ConvertParts(MimePart* part, const char* charset, AttachmentHook* hook = nullptr);
    // ConvertParts on a whole message, then `hook` (when given), then its
    // attachments left out when asked (`pruned`: any went, or the hook
    // changed it). Returns whether its text was converted.
    bool ConvertMessage(MimePart& root, const char* charset, bool& pruned,
                        AttachmentHook* hook = nullptr);
    bool ConvertBodyLines(MimePart& part, const char* charset);
    bool ConvertHeaderLines(MimePart& part);

    // Why the last Write failed: an IDS_FAILED_* string id.
    int FailureReason() const { return failure_; }

    // Messages written so far whose text the export converted.
    int MessagesConverted() const { return messagesConverted_; }
    // Characters written as "&#NNNNN;" references so far.
    size_t CharacterReferences() const { return converter_.References(); }
    // Text parts left as received so far because a converter failed on them.
    int PartsLeftUnconverted() const { return converter_.PartsLeftUnconverted(); }
    // Messages written so far whose signed content the export changed, so that
    // their signature no longer verifies.
    int SignaturesBroken() const { return signaturesBroken_; }

  private:
    bool KeptAsReceived(const MimePart& part) const;
    bool ConvertForwarded(MimePart& part, AttachmentHook* hook);

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
    bool hookRefused_ = false;             // of the message in hand
    std::unique_ptr<char[]> writeBuffer_;  // taken at the first write, kept for the next
};

}  // namespace tessera
