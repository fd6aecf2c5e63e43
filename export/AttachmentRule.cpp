#include "export/AttachmentRule.h"

#include "export/AsciiText.h"
#include "export/MimePart.h"

namespace tessera {

PartFate FateOf(const MimePart& part, bool dropHtml) {
    if (EqualsIgnoreCase(part.type, "multipart")) return PartFate::kLookInto;
    if (!EqualsIgnoreCase(part.type, "text")) return PartFate::kDrop;
    return dropHtml && EqualsIgnoreCase(part.subtype, "html") ? PartFate::kDrop : PartFate::kKeep;
}

bool DropsHtml(const MimePart& root) {
    return root.FindPart("text", "plain") != nullptr || root.FindPart("text", "html") == nullptr;
}

void LeaveOutAttachments(MimePart& root) {
    if (EqualsIgnoreCase(root.type, "text")) return;
    root.DropAttachments(DropsHtml(root));
}

}  // namespace tessera
