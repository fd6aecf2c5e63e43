// All messages in one UNIX mbox file: an envelope line before each, "From "
// lines quoted (mboxrd), a stale Content-Length left out, a blank line after.
#pragma once

#include <cstddef>

#include "export/framing/MessageFraming.h"
#include "export/seams/CalendarTime.h"

namespace tessera {

class MboxFileFraming : public MessageFraming {
  public:
    // `utf8`: the messages' headers are written in UTF-8 (an export to UTF-8).
    MboxFileFraming(const CalendarTime& exportTime, bool utf8)
        : exportTime_(exportTime), utf8_(utf8) {}

    bool OneFile() const override { return true; }
    const char* Extension() const override { return ".txt"; }
    // The envelope line goes after a blank line.
    std::string AppendLeadIn(const std::string& tail) const override;
    void Prepare(MimePart& root) const override;
    LineTest ChangesLine() const override;
    void WriteLeadIn(const MimePart& root, TextSink& sink) const override;
    // The blank line is framing here: many readers start a message only at a
    // "From " line that follows a blank line.
    void WriteTrailer(bool lineEnded, TextSink& sink) const override;

  private:
    const CalendarTime exportTime_;  // for envelope lines whose Date cannot be read
    const bool utf8_;
};

}  // namespace tessera
