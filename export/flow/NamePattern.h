// File names made from a pattern the user sets ("%Y%m%d %H%M %s"): the fields
// of one message put together, before the usual file-name rules apply.
#pragma once

#include <string>
#include <string_view>

#include "export/framing/MessageDate.h"
#include "export/seams/CalendarTime.h"
#include "export/seams/ExportFormat.h"

namespace tessera {

class MimePart;
class ShiftJisConverter;

// What a pattern can show of a message; texts in the converter's target
// (Shift-JIS, or UTF-8 when names are made in UTF-8).
struct NameFields {
    std::string subject;
    MessageDate date;           // the export time (as UTC) when the message has no usable Date
    std::string senderName;     // the From display name; the address when it has none
    std::string senderAddress;  // the bare From address
    unsigned number = 0;        // the message's place in this export, from 1
};

// Puts the fields into the pattern: %s Subject, %Y year, %m month, %d day,
// %H hour, %M minute (the date in the sender's own zone), %f sender name,
// %a sender address, %n running number (at least four digits), %% a '%'.
// Any other '%' stays as written.
std::string ExpandNamePattern(std::string_view pattern, const NameFields& fields);

// Reads the fields of a message root; headers are decoded by the rules of file
// names (to Shift-JIS, characters it lacks become '_').
NameFields ReadNameFields(const MimePart& root, ShiftJisConverter& converter,
                          const CalendarTime& exportTime, unsigned number);

// The name a pattern gives a message, as SubjectToFileName makes a Subject
// into a name (reserved characters, device names, "(noname)"); the pattern and
// the fields are in `charset`.
std::string PatternFileName(std::string_view pattern, const NameFields& fields,
                            TargetCharset charset = TargetCharset::kShiftJis);

}  // namespace tessera
