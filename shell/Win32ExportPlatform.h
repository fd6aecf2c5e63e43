// The export flow's system services on Win32: the plug-in's dialogs, the
// common save dialog, the shell folder browser, message boxes, files and the
// progress window of a long export.
#pragma once

#include "export/ExportPlatform.h"

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
    std::unique_ptr<ExportProgress> StartProgress(HostWindow owner,
                                                  std::function<int()> countSelection) override;
    void ShowReport(HostWindow owner, const ExportReport& report) override;
    bool FileExists(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    OpenStatus OpenForAppend(const std::string& path, std::unique_ptr<OutputFile>& file) override;
    std::unique_ptr<OutputFile> CreateTruncated(const std::string& path) override;
    size_t MaxPathBytes() const override;
    CalendarTime LocalNow() override;

    // Stops a running export after the message in hand, as Cancel does.
    void RequestStop() { stopRequested_ = true; }

private:
    bool stopRequested_ = false;
};

}  // namespace tessera
