// What leaving attachments out keeps of a message: the one home of the rule
// for the writer, the tests and the fuzzers.
#pragma once

namespace tessera {

class MimePart;

// How a part fares when attachments are left out.
enum class PartFate {
    kKeep,       // text, or a part of signed content (pruned inside when it has parts)
    kKeepWhole,  // encrypted content, a signature, forwarded mail (pruned as a message)
    kLookInto,   // multipart: pruned in turn, kept while any of its parts is left
    kDrop,       // an attachment: every other type, untyped parts outside a digest included
};

// The fate of `part`, one of the parts of `container`. Text parts stay,
// text/html ones only while dropHtml is false. The parts of a signed container
// are never removed themselves, so its structure stays whole.
PartFate FateOf(const MimePart& part, const MimePart& container, bool dropHtml);

// Whether text/html parts go too: yes, unless the message holds HTML but no
// plain text, which would leave it without its text.
bool DropsHtml(const MimePart& root);

// Leaves the attachments out of a whole message; a message whose own type is
// text, or that is encrypted, stays as it is. Returns whether any part went.
bool LeaveOutAttachments(MimePart& root);

}  // namespace tessera
