// The progress side of one walk of the export: passes the platform's progress
// the messages done and the Subject in hand, keeps it alive while a message
// is written and ends it. Without a progress (the platform shows none) it
// does nothing.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "export/ExportProgress.h"
#include "export/ExportReport.h"
#include "export/MessageWriter.h"

namespace tessera {

class WalkProgress : public WriteObserver {
  public:
    // Makes the shown name of a parsed message; false when it has none.
    using Namer = std::function<bool(MimePart& root, std::string& name)>;

    WalkProgress(std::unique_ptr<ExportProgress> progress, Namer namer);
    ~WalkProgress() override;
    WalkProgress(const WalkProgress&) = delete;
    WalkProgress& operator=(const WalkProgress&) = delete;

    // Before each message; false once the user asked to stop (then
    // `report.cancelled` is set).
    bool Continue(ExportReport& report);
    // The message in hand, named by the caller.
    void SetSubject(const std::string& subject);
    // Ends the progress; true when it had been on show.
    bool End();

    void Parsed(MimePart& root) override;
    void Working() override;

  private:
    std::unique_ptr<ExportProgress> progress_;
    Namer namer_;
    bool named_ = false;  // the message in hand has its name
    bool shown_ = false;
};

}  // namespace tessera
