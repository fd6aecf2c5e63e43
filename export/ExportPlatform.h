// The seam between the portable export flow and the system it runs on:
// dialogs, message boxes and files. The plug-in implements it with Win32
// (ExportPlatform_win), the command-line exporter and the tests natively.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "shell/HostApi.h"

namespace tessera {

// Message-table ids the export shows or uses.
constexpr int kTextBrowseTitle = 2;    // title line of the folder browser
constexpr int kTextWriteError = 500;   // the export could not write
constexpr int kTextNoSavePath = 502;   // stored-format command without a folder

// Results of the overwrite question.
constexpr int kOverwriteReplace = 1;
constexpr int kOverwriteCancel = 2;
constexpr int kOverwriteAppend = 3;

class OutputFile {
public:
    virtual ~OutputFile() = default;
    // Writes all bytes; false when anything failed or fell short.
    virtual bool Write(const char* data, size_t size) = 0;
    // Closes the file of a message that failed and removes it when this object
    // created it; a file that was there before is left.
    virtual void Discard() {}
};

// Values the export-format dialog starts with and returns.
struct FormatChoice {
    int SaveType = -1;
    bool Convert = true;
    std::string Separator;
    bool NoAttach = false;
};

enum class OpenStatus { Opened, OpenFailed, SeekFailed };

class ExportPlatform {
public:
    virtual ~ExportPlatform() = default;

    // Runs the export-format dialog; returns its end code (2 = cancelled).
    virtual int RunFormatDialog(FormatChoice& choice) = 0;
    // The save dialog; false when cancelled or failed.
    virtual bool ChooseSaveFile(HostWindow owner, const std::string& initialFolder,
                                std::string& path) = 0;
    // The overwrite question for an existing file; kOverwrite* (other values append).
    virtual int AskOverwrite(const std::string& path) = 0;
    // The folder browser; `folder` is the picked path as the system gives it.
    virtual bool BrowseFolder(HostWindow owner, const std::string& initialFolder,
                              std::string& folder) = 0;
    virtual void ShowMessage(HostWindow owner, int textId) = 0;

    virtual bool FileExists(const std::string& path) = 0;
    virtual bool RemoveFile(const std::string& path) = 0;
    // Opens or creates the file and positions at its end.
    virtual OpenStatus OpenForAppend(const std::string& path, std::unique_ptr<OutputFile>& file) = 0;
    // Creates the file, emptying an existing one.
    virtual std::unique_ptr<OutputFile> CreateTruncated(const std::string& path) = 0;
    // Longest whole path the file system takes, in bytes (0: no limit of its own).
    virtual size_t MaxPathBytes() const = 0;
    // True when the path names a file this export reads: it is never written.
    virtual bool IsProtected(const std::string&) { return false; }
};

}  // namespace tessera
