// The seam between the portable export flow and the system it runs on:
// dialogs, message boxes, files and the clock. The plug-in implements it with
// Win32 dialogs (Win32ExportPlatform), the command-line exporter from its
// options (CliExportPlatform), the tests in memory.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "export/seams/CalendarTime.h"
#include "export/seams/ExportFormat.h"
#include "export/seams/ExportProgress.h"
#include "export/seams/ExportReport.h"
#include "export/seams/FileSystem.h"
#include "export/seams/HostApi.h"
#include "export/seams/MaildirIdentity.h"
#include "resources/resource.h"

namespace tessera {

// Results of the overwrite question.
constexpr int kOverwriteReplace = 1;
constexpr int kOverwriteCancel = 2;
constexpr int kOverwriteAppend = 3;

class ExportPlatform {
  public:
    virtual ~ExportPlatform() = default;

    // Runs the export-format dialog on `format`; returns its end code (2 = cancelled).
    virtual int RunFormatDialog(ExportFormat& format) = 0;
    // The save dialog; false when cancelled or failed.
    virtual bool ChooseSaveFile(HostWindow owner, const std::string& initialFolder,
                                std::string& path) = 0;
    // The overwrite question for an existing file; kOverwrite* (other values append).
    virtual int AskOverwrite(const std::string& path) = 0;
    // The folder browser; `folder` is the picked path as the system gives it.
    virtual bool BrowseFolder(HostWindow owner, const std::string& initialFolder,
                              std::string& folder) = 0;
    virtual void ShowMessage(HostWindow owner, int textId) = 0;
    // The message numbered `number` (from 1, in the walk) failed for the
    // reason `reasonId` (IDS_FAILED_*): the next message box names it.
    virtual void NoteFailedMessage(int /*number*/, int /*reasonId*/) {}
    // Progress of the walk that starts now, owned by `owner`; `countSelection`
    // counts the messages of the walk (called at most once, only if shown).
    // Null: this platform shows no progress.
    virtual std::unique_ptr<ExportProgress> StartProgress(HostWindow /*owner*/,
                                                          std::function<int()> /*countSelection*/) {
        return nullptr;
    }
    // Tells how an export ended whose progress was shown: written, failed and
    // why, the target, a cancel or the error that stopped it.
    virtual void ShowReport(HostWindow /*owner*/, const ExportReport& /*report*/) {}

    // The files the export writes.
    virtual FileSystem& Files() = 0;
    // The local time, stamped on envelope lines whose Date cannot be read.
    virtual CalendarTime LocalNow() = 0;
    // The bytes a file name the export made (in `charset`: ExportFormat::Names),
    // or a Shift-JIS text written beside names, takes on disk; names are fitted
    // and told apart by these. Kept as they are unless the system names files in
    // another character set.
    virtual std::string NameOnDisk(const std::string& name, TargetCharset /*charset*/) {
        return name;
    }
    // True when the path names a file this export reads: it is never written.
    virtual bool IsProtected(const std::string&) { return false; }
    // What makes this run's Maildir names unique (the command line's Maildir output).
    virtual MaildirIdentity MaildirNames() { return MaildirIdentity(); }
};

}  // namespace tessera
