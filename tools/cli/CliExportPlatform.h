// ExportPlatform for the command line, on every system: the dialogs answer
// from the options, message boxes go to standard error, files are the
// system's own (LocalFileSystem).
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "export/seams/ExportPlatform.h"
#include "export/seams/ExportReport.h"
#include "platform/LocalFileSystem.h"
#include "platform/LocaleText.h"
#include "platform/ProcessIdentity.h"
#include "tools/cli/CliFileSystem.h"
#include "tools/cli/CliOptions.h"
#include "tools/cli/ProtectedFiles.h"

namespace tessera {

class CliExportPlatform : public ExportPlatform {
  public:
    // `messages` receives the message texts; `answers` is read for the overwrite
    // question when `options.ifExists` is Ask (null: no one to ask, cancel).
    CliExportPlatform(const CliOptions& options, FILE* messages, FILE* answers);

    int RunFormatDialog(ExportFormat& format) override;
    bool ChooseSaveFile(HostWindow owner, const std::string& initialFolder,
                        std::string& path) override;
    int AskOverwrite(const std::string& path) override;
    bool BrowseFolder(HostWindow owner, const std::string& initialFolder,
                      std::string& folder) override;
    void ShowMessage(HostWindow owner, int textId) override;
    void NoteFailedMessage(int number, int reasonId) override;
    FileSystem& Files() override { return files_; }
    CalendarTime LocalNow() override;
    std::string NameOnDisk(const std::string& name, TargetCharset charset) override;
    bool IsProtected(const std::string& path) override;
    MaildirIdentity MaildirNames() override { return ThisProcessIdentity(); }

    // The progress of the export to come: a run has one walk.
    void SetProgress(std::unique_ptr<ExportProgress> progress) { progress_ = std::move(progress); }
    std::unique_ptr<ExportProgress> StartProgress(HostWindow, std::function<int()>) override {
        return std::move(progress_);
    }

    // The files the export reads: they are never written, emptied or removed.
    void SetInputs(const ProtectedFiles* inputs) { inputs_ = inputs; }
    // The report of the export in hand: a write error that only stands for
    // .eml files kept (each told already) is not told again.
    void SetReport(const ExportReport* report) { report_ = report; }

    // True when the overwrite question was answered with cancel.
    bool Cancelled() const { return cancelled_; }
    // Prints "tessera-export: text" on the message stream; `text` is the system's.
    void Say(const std::string& text);

  private:
    // `path` as the user's terminal shows it: a Shift-JIS name in it recoded.
    std::string Shown(const std::string& path) const;
    // What names are recoded into: the locale's set, or UTF-8 with --to utf-8.
    std::string NamesCharset() const;
    // Reads the answer to the overwrite question, asking again until it is known.
    int ReadAnswer(const std::string& path);

    const CliOptions& options_;
    FILE* messages_;
    FILE* answers_;
    CliFileSystem files_;
    const ExportReport* report_ = nullptr;
    bool cancelled_ = false;
    TextRecoder names_;      // Shift-JIS names to NamesCharset()
    TextRecoder utf8Names_;  // UTF-8 names (--to utf-8) to NamesCharset()
    bool namesUnusableTold_ = false;
    std::string lastName_;       // the last name handed out, as the export made it
    bool lastNameKept_ = false;  // ... and written in those Shift-JIS bytes
    const ProtectedFiles* inputs_ = nullptr;
    std::string refused_;   // an input the export was about to write, for the next message
    int failedNumber_ = 0;  // the message that failed, for the next message
    int failedReason_ = 0;
    std::string failedFile_;  // the file failure noted with that message
    std::unique_ptr<ExportProgress> progress_;
};

}  // namespace tessera
