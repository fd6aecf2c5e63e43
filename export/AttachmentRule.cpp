#include "export/AttachmentRule.h"

#include "export/MimePart.h"

namespace tessera {

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsNamed(const char* field, const char* name) {
    while (*name != '\0' && LowerAscii(*field) == *name) {
        ++field;
        ++name;
    }
    return *field == '\0' && *name == '\0';
}

}  // namespace

PartFate FateOf(const MimePart& part, bool dropHtml) {
    if (IsNamed(part.type, "multipart")) return PartFate::kLookInto;
    if (!IsNamed(part.type, "text")) return PartFate::kDrop;
    return dropHtml && IsNamed(part.subtype, "html") ? PartFate::kDrop : PartFate::kKeep;
}

bool DropsHtml(const MimePart& root) {
    return root.FindPart("text", "plain") != nullptr || root.FindPart("text", "html") == nullptr;
}

void LeaveOutAttachments(MimePart& root) {
    if (IsNamed(root.type, "text")) return;
    root.DropAttachments(DropsHtml(root));
}

}  // namespace tessera
