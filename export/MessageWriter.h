// Writes one host message to an open target: converts its Japanese text to
// Shift-JIS through the host's converters, leaves attachments out when asked,
// and frames it for the save type (mbox envelope line, or separator line).
#pragma once

#include <string>

#include "export/CalendarTime.h"
#include "export/ExportFormat.h"
#include "export/ExportPlatform.h"
#include "export/HostApi.h"

namespace tessera {

class MimePart;

// Told while a message is written, so that a long export can show what it is
// doing and stay responsive.
class WriteObserver {
public:
    virtual ~WriteObserver() = default;
    // The source is parsed; nothing of it is converted yet.
    virtual void Parsed(MimePart& root) = 0;
    // Called between the steps and every few lines of a long conversion.
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

    // Converts `part`, its following siblings and everything below them.
    void ConvertParts(MimePart* part, const char* charset);
    void ConvertBodyLines(MimePart& part, const char* charset);
    void ConvertHeaderLines(MimePart& part);

    // The local time stamped on envelope lines whose Date cannot be read.
    void SetExportTime(const CalendarTime& time) { exportTime_ = time; }
    // Null (the default): nobody is told.
    void SetObserver(WriteObserver* observer) { observer_ = observer; }

private:
    void Working();
    bool WriteInPieces(const std::string& text, OutputFile& file);

    const HostApi& host_;
    const ExportFormat& format_;
    CalendarTime exportTime_;
    WriteObserver* observer_ = nullptr;
    unsigned linesSinceWorking_ = 0;
};

// mboxrd quoting: true when the line, after any number of '>', begins with
// "from " in any case.
bool NeedsFromQuote(const char* text, size_t length);
// Quotes every body, preamble and epilogue line of the whole tree that needs it.
void QuoteFromLines(MimePart& root);

}  // namespace tessera
