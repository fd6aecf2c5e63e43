// ExportPlatform for the command line: the dialogs answer from the options,
// message boxes go to standard error, files are plain POSIX files.
#pragma once

#include <cstdio>
#include <string>

#include "export/ExportPlatform.h"
#include "tools/cli/CliOptions.h"

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

    // True when the overwrite question was answered with cancel.
    bool Cancelled() const { return cancelled_; }
    // Prints "tessera-export: text" on the message stream.
    void Say(const std::string& text);

private:
    void NoteFailure(const std::string& path, int error);

    const CliOptions& options_;
    FILE* messages_;
    FILE* answers_;
    std::string failure_;  // the last file error, told with the next message
    bool cancelled_ = false;
};

}  // namespace tessera
