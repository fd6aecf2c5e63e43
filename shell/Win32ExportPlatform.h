// The export flow's system services on Win32: the plug-in's dialogs, the
// common save dialog, the shell folder browser, message boxes and the files
// of LocalFileSystem.
#pragma once

#include "export/ExportPlatform.h"
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
    FileSystem& Files() override { return files_; }
    CalendarTime LocalNow() override;

private:
    LocalFileSystem files_;
};

}  // namespace tessera
