// Attachments as files: each attachment of a parsed message with the name it
// came with and its decoded bytes, and the line that stands in the message
// for an attachment saved apart.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tessera {

class MimePart;
class ShiftJisConverter;

struct AttachmentFile {
    const MimePart* part = nullptr;
    // The file name it came with (RFC 2231 and RFC 2047 forms decoded, in
    // Shift-JIS) made into a name by the rules of Subjects; "(noname)" without one.
    std::string name;
    std::string bytes;     // the body with its transfer encoding undone
    bool decoded = false;  // false: the encoding was damaged or unknown; bytes as they came
};

// Calls `take` for each attachment of `root`, one at a time, in the order of
// the message: with `leavingOut`, the parts that leaving attachments out drops;
// else every part that is a file (a disposition "attachment" or a file name).
// `take` returning false ends the walk.
void ForEachAttachment(const MimePart& root, bool leavingOut, ShiftJisConverter& converter,
                       const std::function<bool(AttachmentFile&)>& take);

// The file name a part's headers give: Content-Disposition "filename", else
// Content-Type "name"; RFC 2231 continuations and charsets, RFC 2047 words.
std::string AttachmentName(const MimePart& part, ShiftJisConverter& converter);

// The line (CR LF included) that stands for an attachment saved as
// `fileName`, in Shift-JIS like the converted text around it.
std::string SavedAttachmentLine(std::string_view fileName);

}  // namespace tessera
