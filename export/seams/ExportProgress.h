// The progress of a running export, the one path between the export and
// whoever watches it: the walk tells it each message, the parser, converters
// and writer tick it inside long ones, and it answers whether to stop. The
// plug-in shows it as a window with a bar and Cancel, the command line as a
// line on its terminal; nothing here knows about either.
#pragma once

#include <string>

#include "export/seams/ExportReport.h"

namespace tessera {

// The answer to "stop?", asked between messages.
enum class ExportStop {
    No,
    // As the user's Cancel: the messages written stay (unless they were to
    // replace a file) and the summary tells it.
    Cancel,
    // As if the run had never been, for a single file (an old file stays as it
    // was, a new one is removed); .eml files already written stay. No summary.
    Abandon,
};

class ExportProgress {
  public:
    virtual ~ExportProgress() = default;

    // Before each message, with what was done so far.
    virtual ExportStop Continue(const ExportReport& /*report*/) { return ExportStop::No; }
    // After each message, written or failed.
    virtual void MessageDone(const ExportReport& /*report*/) {}
    // True when the Subject of the message in hand would be shown; only then
    // does a single-file export decode one for it.
    virtual bool WantsSubject() const { return false; }
    // The message in hand, by its Subject as its file name is made.
    virtual void SetSubject(const std::string& /*subject*/) {}
    // Called often during long work; cheap when there is nothing to do.
    virtual void Tick() {}
    // True once the progress is on show (the count of the selection, too, is
    // asked for only when it shows).
    virtual bool Shown() const { return false; }
};

// A progress nobody watches: for work outside an export.
ExportProgress& Unwatched();

}  // namespace tessera
