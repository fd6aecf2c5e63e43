// ExportPlatform for the command line, on every system: the dialogs answer
// from the options, message boxes go to standard error, files are the
// system's own (LocalFileSystem).
#pragma once

#include <cstdio>
#include <string>

#include "export/ExportPlatform.h"
#include "platform/LocalFileSystem.h"
#include "tools/cli/CliOptions.h"

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
    FileSystem& Files() override { return files_; }
    CalendarTime LocalNow() override;

    // True when the overwrite question was answered with cancel.
    bool Cancelled() const { return cancelled_; }
    // Prints "tessera-export: text" on the message stream; `text` is the system's.
    void Say(const std::string& text);

  private:
    const CliOptions& options_;
    FILE* messages_;
    FILE* answers_;
    LocalFileSystem files_;
    bool cancelled_ = false;
};

}  // namespace tessera
