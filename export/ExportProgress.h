// The progress of a running export, as the system shows it: after a while a
// window with a bar and Cancel. The driver reports between messages and keeps
// it alive inside long ones; nothing here knows about windows.
#pragma once

#include <string>

#include "export/ExportReport.h"

namespace tessera {

class ExportProgress {
  public:
    virtual ~ExportProgress() = default;

    // True once the progress is on show.
    virtual bool Shown() const = 0;
    // True when the Subject of the message in hand would be shown; only then
    // does the driver decode one for it (the count of the selection, too, is
    // asked for only when the progress shows).
    virtual bool WantsSubject() const = 0;
    // Between messages, with what was done so far. False when the user asked
    // to stop: the driver then takes no further message.
    virtual bool Continue(const ExportReport& report) = 0;
    // The message in hand, by its Subject as its file name is made.
    virtual void SetSubject(const std::string& subject) = 0;
    // Called often during long work; cheap when there is nothing to do.
    virtual void KeepAlive() = 0;
};

}  // namespace tessera
