// Writes one host message to an open target: converts its Japanese text to
// Shift-JIS (TextPartConversion), leaves attachments out when asked, and
// frames it for the save type (mbox envelope line, or separator line).
#pragma once

#include <cstddef>
#include <functional>

#include "export/CalendarTime.h"
#include "export/ExportFormat.h"
#include "export/ExportPlatform.h"
#include "export/HostApi.h"
#include "export/ShiftJisConverter.h"

namespace tessera {

class MimePart;

// Told while a message is written, so that a long export can show what it is
// doing and stay responsive.
class WriteObserver {
  public:
    virtual ~WriteObserver() = default;
    // The source is parsed; nothing of it is converted yet.
    virtual void Parsed(MimePart& root) = 0;
    // Called between the steps and while a long message is parsed or written.
    virtual void Working() = 0;
};

class MessageWriter {
  public:
    // `format` is read, never changed, for the writer's whole life.
    MessageWriter(const HostApi& host, const ExportFormat& format);

    // Writes the message `id` at the file's current position. False when the
    // host gave no source, the written-back text is shorter than 3 bytes
    // (nothing written then), or any write failed or fell short.
    bool WriteMessage(const char* id, OutputFile& file);

    // Converts `part`, its following siblings and everything below them: the
    // body and header block of every text part that is not a file, and the
    // header block of `part` itself (the message's own, when part is the root).
    // Returns whether anything changed.
    bool ConvertParts(MimePart* part, const char* charset);
    bool ConvertBodyLines(MimePart& part, const char* charset);
    bool ConvertHeaderLines(MimePart& part);

    // The local time stamped on envelope lines whose Date cannot be read.
    void SetExportTime(const CalendarTime& time) { exportTime_ = time; }

    // Told of each message's progress; null: nobody.
    void SetObserver(WriteObserver* observer) {
        observer_ = observer;
        converter_.SetTick(observer ? std::function<void()>([this] { Working(); }) : nullptr);
    }
    // Tells the observer that work goes on.
    void Working() {
        if (observer_) observer_->Working();
    }

    // Called with each parsed and converted message before attachments are
    // left out; false fails the message. Null: nothing.
    void SetPartsHook(std::function<bool(MimePart&)> hook) { partsHook_ = std::move(hook); }

    // Messages written so far whose text the export converted.
    int MessagesConverted() const { return messagesConverted_; }
    // Characters written as "&#NNNNN;" references so far.
    size_t CharacterReferences() const { return converter_.References(); }

  private:
    const HostApi& host_;
    const ExportFormat& format_;
    ShiftJisConverter converter_;
    CalendarTime exportTime_;
    int messagesConverted_ = 0;
    WriteObserver* observer_ = nullptr;
    std::function<bool(MimePart&)> partsHook_;
};

// mboxrd quoting: true when the line, after any number of '>', begins with
// "from " in any case.
inline bool NeedsFromQuote(const char* text, size_t length) {
    size_t i = 0;
    while (i < length && text[i] == '>') ++i;
    if (length - i < 5 || (text[i] | 0x20) != 'f') return false;  // most lines stop here
    // ASCII letters only: 'R' and 'r' are the only bytes that give 'r' with 0x20 set.
    return (text[i + 1] | 0x20) == 'r' && (text[i + 2] | 0x20) == 'o' &&
           (text[i + 3] | 0x20) == 'm' && text[i + 4] == ' ';
}
// Quotes every body, preamble and epilogue line of the whole tree that needs it.
void QuoteFromLines(MimePart& root);

}  // namespace tessera
