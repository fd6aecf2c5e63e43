// The export flow's system services on Win32: the plug-in's dialogs, the
// common save dialog, the shell folder browser, message boxes, the files of
// LocalFileSystem and the progress window of a long export.
#pragma once

#include "export/seams/ExportPlatform.h"
#include "platform/LocalFileSystem.h"

namespace tessera {

class Win32ExportPlatform : public ExportPlatform {
  public:
    int RunFormatDialog(ExportFormat& format) override;
    bool ChooseSaveFile(HostWindow owner, const std::string& initialFolder,
                        std::string& path) override;
    int AskOverwrite(const std::string& path) override;
    bool BrowseFolder(HostWindow owner, const std::string& initialFolder,
                      std::string& folder) override;
    void ShowMessage(HostWindow owner, int textId) override;
    void NoteFailedMessage(int number, int reasonId) override;
    FileSystem& Files() override { return files_; }
    std::unique_ptr<ExportProgress> StartProgress(HostWindow owner,
                                                  std::function<int()> countSelection) override;
    void ShowReport(HostWindow owner, const ExportReport& report) override;
    CalendarTime LocalNow() override;

    // Stops a running export after the message in hand, as Cancel does.
    void RequestStop() { stopRequested_ = true; }

  private:
    // Lines naming the message and the file that failed and why, as far as
    // they were noted (then forgotten); empty when memory ran out.
    std::string TakeDetails();

    LocalFileSystem files_;
    int failedNumber_ = 0;
    int failedReason_ = 0;
    std::string failedFile_;  // the file failure noted with that message
    bool stopRequested_ = false;
};

}  // namespace tessera
