// Attachments as files: each attachment of a parsed message with the name it
// came with and its decoded bytes, and the line that stands in the message
// for an attachment saved apart.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "export/framing/FileNaming.h"
#include "export/seams/ExportFormat.h"

namespace tessera {

class FileSystem;
class MimePart;
class ShiftJisConverter;

struct AttachmentFile {
    MimePart* part = nullptr;
    // The file name it came with (RFC 2231 and RFC 2047 forms decoded, in the
    // converter's target) made into a name by the rules of Subjects; "(noname)" without one.
    std::string name;
    // The body with its transfer encoding undone, lines ended as the source ended them.
    std::string bytes;
    bool decoded = false;  // false: the encoding was damaged or unknown; bytes as they came
};

// Calls `take` for each attachment of `root`, one at a time, in the order of
// the message: with `leavingOut`, the parts that leaving attachments out drops;
// else every part that is a file (a disposition "attachment" or a file name).
// `take` returning false ends the walk. `lineBreak`: the source's
// (SourceLineBreak), which the parsed lines no longer show.
void ForEachAttachment(MimePart& root, bool leavingOut, ShiftJisConverter& converter,
                       std::string_view lineBreak,
                       const std::function<bool(AttachmentFile&)>& take);

// The file name a part's headers give: Content-Disposition "filename", else
// Content-Type "name"; RFC 2231 continuations and charsets, RFC 2047 words.
std::string AttachmentName(const MimePart& part, ShiftJisConverter& converter);

// The line (CR LF included) that stands for an attachment saved as
// `fileName`, in `charset` like the name (Shift-JIS: like the converted text around it).
std::string SavedAttachmentLine(std::string_view fileName,
                                TargetCharset charset = TargetCharset::kShiftJis);

// Where and how a message's attachments are saved.
struct AttachmentTarget {
    std::string folder;      // the export's folder, ending in its separator
    std::string emlName;     // the message's file name on disk (".eml" ends it)
    const int64_t* utcTime;  // the message's date, null: the files keep the export time
    size_t maxPath;          // FileSystem::MaxPathBytes
    NameEncoder encode;      // the bytes of a name on disk; empty keeps them
    TargetCharset names = TargetCharset::kShiftJis;  // what names are made in
    std::string_view lineBreak = "\r\n";             // the message source's (SourceLineBreak)
    TargetCharset text = TargetCharset::kShiftJis;   // of the line left in a part's place
};

// What the saving of one .eml file's attachments keeps from call to call (a
// forwarded message inside it saves into the same folder).
struct AttachmentTally {
    NameRegistry names;  // the files made in its folder
    int saved = 0;       // files saved
    int undated = 0;     // of them, those that keep the export time: the system refused a date
};

// Saves the attachments of a parsed message as files in a folder named like
// its .eml file (made at the first one); with `leavingOut`, each part left out
// becomes a text part holding SavedAttachmentLine. False when a file could not
// be written (what was saved before stays).
bool SaveAttachmentFiles(MimePart& root, bool leavingOut, ShiftJisConverter& converter,
                         FileSystem& files, const AttachmentTarget& target, AttachmentTally& tally);

}  // namespace tessera
