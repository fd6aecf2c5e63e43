// What leaving attachments out keeps of a message: the one home of the rule
// for the writer, the tests and the fuzzers.
#pragma once

namespace tessera {

class MimePart;

// How a part fares when attachments are left out.
enum class PartFate {
    kKeep,      // text (a text part with parts of its own is pruned inside)
    kLookInto,  // multipart: pruned in turn, kept while any of its parts is left
    kDrop,      // an attachment: every other type, message/rfc822 and untyped parts included
};

// Text parts stay, text/html ones only while dropHtml is false.
PartFate FateOf(const MimePart& part, bool dropHtml);

// Whether text/html parts go too: yes, unless the message holds HTML but no
// plain text, which would leave it without its text.
bool DropsHtml(const MimePart& root);

// Leaves the attachments out of a whole message; a message whose own type is
// text stays as it is.
void LeaveOutAttachments(MimePart& root);

}  // namespace tessera
