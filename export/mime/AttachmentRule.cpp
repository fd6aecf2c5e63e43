#include "export/mime/AttachmentRule.h"

#include "export/mime/ForwardedMessage.h"
#include "export/mime/MimePart.h"
#include "export/mime/SignedContent.h"
#include "export/text/AsciiText.h"

namespace tessera {

PartFate FateOf(const MimePart& part, const MimePart& container, bool dropHtml) {
    if (SealOf(container) == Seal::kSigned) {
        return &part == container.firstChild ? PartFate::kKeep : PartFate::kKeepWhole;
    }
    if (SealOf(part) == Seal::kEncrypted || IsForwardedMessage(part, container))
        return PartFate::kKeepWhole;
    if (EqualsIgnoreCase(part.type, "multipart")) return PartFate::kLookInto;
    if (!EqualsIgnoreCase(part.type, "text")) return PartFate::kDrop;
    return dropHtml && EqualsIgnoreCase(part.subtype, "html") ? PartFate::kDrop : PartFate::kKeep;
}

bool DropsHtml(const MimePart& root) {
    return root.FindPart("text", "plain") != nullptr || root.FindPart("text", "html") == nullptr;
}

bool LeaveOutAttachments(MimePart& root) {
    if (EqualsIgnoreCase(root.type, "text") || SealOf(root) == Seal::kEncrypted) return false;
    const size_t before = root.SerializedSize();
    root.DropAttachments(DropsHtml(root));
    return root.SerializedSize() != before;
}

}  // namespace tessera
