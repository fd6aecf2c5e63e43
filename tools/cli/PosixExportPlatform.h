// ExportPlatform for the command line: the dialogs answer from the options,
// message boxes go to standard error, files are plain POSIX files.
#pragma once

#include <cstdio>
#include <string>

#include "export/ExportPlatform.h"
#include "tools/cli/CliOptions.h"
#include "tools/cli/PosixLocaleText.h"
#include "tools/cli/ProtectedFiles.h"

namespace tessera {

class PosixExportPlatform : public ExportPlatform {
public:
    // `messages` receives the message texts; `answers` is read for the overwrite
    // question when `options.ifExists` is Ask (null: no one to ask, cancel).
    PosixExportPlatform(const CliOptions& options, FILE* messages, FILE* answers);

    int RunFormatDialog(ExportFormat& format) override;
    bool ChooseSaveFile(HostWindow owner, const std::string& initialFolder, std::string& path) override;
    int AskOverwrite(const std::string& path) override;
    bool BrowseFolder(HostWindow owner, const std::string& initialFolder, std::string& folder) override;
    void ShowMessage(HostWindow owner, int textId) override;

    bool FileExists(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    OpenStatus OpenForAppend(const std::string& path, std::unique_ptr<OutputFile>& file) override;
    std::unique_ptr<OutputFile> CreateTruncated(const std::string& path) override;
    size_t MaxPathBytes() const override;
    CalendarTime LocalNow() override;
    std::string NameOnDisk(const std::string& name) override;
    bool IsProtected(const std::string& path) override;

    // The files the export reads: they are never written, emptied or removed.
    void SetInputs(const ProtectedFiles* inputs) { inputs_ = inputs; }

    // True when the overwrite question was answered with cancel.
    bool Cancelled() const { return cancelled_; }
    // Prints "tessera-export: text" on the message stream.
    void Say(const std::string& text);

private:
    void NoteFailure(const std::string& path, int error);
    // `path` as the user's terminal shows it: a Shift-JIS name in it recoded.
    std::string Shown(const std::string& path) const;
    // True, with the failure noted, when path is one of the inputs.
    bool RefuseInput(const std::string& path);
    // The same for a file just opened on fd, which is then closed.
    bool RefuseInput(int fd, const std::string& path);

    const CliOptions& options_;
    FILE* messages_;
    FILE* answers_;
    std::string failure_;  // the last file error, told with the next message
    bool cancelled_ = false;
    TextRecoder names_;  // Shift-JIS names to the locale's character set
    bool namesUnusableTold_ = false;
    std::string lastName_;       // the last name handed out, as the export made it
    bool lastNameKept_ = false;  // ... and written in those Shift-JIS bytes
    const ProtectedFiles* inputs_ = nullptr;
};

}  // namespace tessera
