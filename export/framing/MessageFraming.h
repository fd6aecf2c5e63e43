// What differs between the save formats: where the messages go (one file or
// a file each in a folder), what goes around each message and what an mbox
// changes inside it. The save type picks one framing in one place
// (FramingFor); the export walk is the same for all of them.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "export/framing/MaildirDelivery.h"
#include "export/seams/CalendarTime.h"
#include "export/seams/ExportFormat.h"

namespace tessera {

class FileSystem;
class MimePart;
class TextSink;

class MessageFraming {
  public:
    virtual ~MessageFraming() = default;

    // True: every message goes into one file; false: each into a file of its
    // own in a folder, named after its Subject.
    virtual bool OneFile() const = 0;
    // The extension of the files made from a Subject.
    virtual const char* Extension() const = 0;
    // What goes between the content an append keeps, ending in `tail` (its
    // last bytes, at most 4), and the first message added: whatever the old
    // file ends in (a torn line from an interrupted writer, a message without
    // its blank line), the new message starts on a line of its own.
    virtual std::string AppendLeadIn(const std::string& tail) const;
    // Changes the converted message needs in this format (quoting, for one).
    virtual void Prepare(MimePart& /*root*/) const {}
    // True for a line Prepare may change: such lines are read as copies, all
    // others may stay where they were read. Null: Prepare changes no line.
    using LineTest = bool (*)(const char* text, size_t length);
    virtual LineTest ChangesLine() const { return nullptr; }
    // Written before the message.
    virtual void WriteLeadIn(const MimePart& /*root*/, TextSink& /*sink*/) const {}
    // Written after it. `lineEnded`: the source ended its last line (or was
    // shorter than 3 bytes); otherwise the message is written as it came.
    virtual void WriteTrailer(bool lineEnded, TextSink& sink) const;
    // A folder format that puts each message in place itself: its delivery
    // into `folder` for one run. Null: a file each, named after its Subject.
    virtual std::unique_ptr<MaildirDelivery> DeliveryInto(
        FileSystem& /*files*/, const std::string& /*folder*/,
        const MaildirIdentity& /*identity*/) const {
        return nullptr;
    }
};

// The framing of `format`'s save type; null for a save type no export knows.
// `exportTime` is stamped on mbox envelope lines whose Date cannot be read.
std::unique_ptr<MessageFraming> FramingFor(const ExportFormat& format,
                                           const CalendarTime& exportTime);

}  // namespace tessera
