// An ExportPlatform for native tests: scripted dialog answers, files in
// memory (a replacement lands only on commit), a record of every message shown.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "export/seams/ExportPlatform.h"

namespace tessera::testing {

struct MemoryFile {
    std::string bytes;
    size_t failAfter = static_cast<size_t>(-1);  // bytes accepted before writes fail
};

class FakePlatform : public ExportPlatform, public FileSystem {
  public:
    // Scripted answers.
    int formatResult = 1;
    ExportFormat formatAnswer;
    bool saveOk = true;
    std::string savePath;
    int overwriteAnswer = kOverwriteReplace;
    bool browseOk = true;
    std::string browsePath;
    bool seekFails = false;  // an existing file cannot be opened for appending
    size_t maxPath = 259;
    size_t diskSpace = static_cast<size_t>(-1);  // bytes the "disk" takes in all
    std::vector<std::string> unwritable;         // paths that cannot be opened
    CalendarTime now{2026, 12, 7, 8, 30, 0};
    // Progress: none unless `progress` is set; shown from the Continue call
    // numbered `shownFrom` (1-based), cancelled on the one numbered `cancelOn`
    // and abandoned on the one numbered `abandonOn` (0: never).
    bool progress = false;
    int shownFrom = 1;
    int cancelOn = 0;
    int abandonOn = 0;

    // What happened.
    std::map<std::string, MemoryFile> files;
    std::vector<int> messages;
    std::vector<std::pair<int, int>> failedMessages;  // number, reason id
    std::vector<std::string> calls;
    ExportFormat formatShown;
    std::string saveInitialFolder, browseInitialFolder, overwritePath;
    int continueCalls = 0;
    int keepAliveCalls = 0;
    int countedTotal = -1;                     // what the count of the selection gave
    std::vector<std::string> subjects;         // shown for the messages in hand
    std::vector<ExportReport> reports;         // ShowReport calls
    std::map<std::string, int64_t> fileTimes;  // SetFileTime calls
    std::vector<std::string> folders;          // MakeFolder calls

    int RunFormatDialog(ExportFormat& format) override;
    bool ChooseSaveFile(HostWindow, const std::string& initialFolder, std::string& path) override;
    int AskOverwrite(const std::string& path) override;
    bool BrowseFolder(HostWindow, const std::string& initialFolder, std::string& folder) override;
    void ShowMessage(HostWindow, int textId) override;
    void NoteFailedMessage(int number, int reasonId) override {
        failedMessages.emplace_back(number, reasonId);
    }
    FileSystem& Files() override { return *this; }
    std::unique_ptr<ExportProgress> StartProgress(HostWindow,
                                                  std::function<int()> countSelection) override;
    void ShowReport(HostWindow, const ExportReport& report) override { reports.push_back(report); }
    CalendarTime LocalNow() override { return now; }

    bool Exists(const std::string& path) override;
    std::unique_ptr<TargetFile> Open(const std::string& path, TargetMode mode) override;
    size_t MaxPathBytes() const override { return maxPath; }
    std::string TakeFailure() override { return std::string(); }
    bool SetFileTime(const std::string& path, int64_t utcSeconds) override {
        fileTimes[path] = utcSeconds;
        return files.count(path) > 0;
    }
    bool MakeFolder(const std::string& path) override {
        folders.push_back(path);
        return true;
    }
    bool Move(const std::string& from, const std::string& to) override {
        if (!files.count(from) || files.count(to)) return false;
        files[to] = files[from];
        files.erase(from);
        return true;
    }
    void Remove(const std::string& path) override { files.erase(path); }
    int FinishRun() override {
        ++finishedRuns;
        return unplacedAtEnd;
    }
    int unplacedAtEnd = 0;  // complete files the run's end could not place
    int finishedRuns = 0;

    size_t used = 0;
};

}  // namespace tessera::testing
