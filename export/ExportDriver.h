// The export flow of the two commands, written once for every platform.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "export/ExportFormat.h"
#include "export/ExportPlatform.h"
#include "export/ExportReport.h"
#include "export/ExportSettings.h"
#include "export/HostApi.h"

namespace tessera {

class MimePart;
class MessageWriter;
class NameRegistry;

class ExportIndex;
class MaildirDelivery;
class WalkProgress;
class WriteObserver;

class ExportDriver {
  public:
    ExportDriver(const HostApi& host, ExportPlatform& platform);

    // "登録形式でエクスポート": export with the stored settings.
    void ExportStoredFormat(HostWindow window, const ExportSettings& settings);
    // "ShiftJISでエクスポート": ask for the format first, starting from `chosen`,
    // which keeps what was confirmed; `savePath` is where the dialogs start.
    void ExportChosenFormat(HostWindow window, ExportFormat& chosen, const std::string& savePath);

    const ExportReport& Report() const { return report_; }
    // Called after every message of the walk.
    void SetProgress(std::function<void(const ExportReport&)> progress) {
        progress_ = std::move(progress);
    }
    // Ends the running export after the current message, as if it had never
    // run for the single file (an old file stays as it was, a new one is
    // removed); `.eml` files already written stay. Callable from the progress callback.
    void Stop() { stopRequested_ = true; }

  private:
    // What one run reads from start to end.
    struct Run {
        const ExportFormat& format;
        const std::string& savePath;
        bool stored;            // the stored-format command
        int selectionMode = 0;  // flag of every walk call
    };

    // The one file of save types 103 and 105 and how it is opened.
    struct SingleTarget {
        std::string path;
        TargetMode mode = TargetMode::Replace;
        bool replacesOld = false;  // an existing file is replaced: kept whole on failure
    };

    void RunExport(HostWindow window, Run& run);
    void ExportSingleFile(HostWindow window, const Run& run);
    bool ChooseSingleFileTarget(HostWindow window, const Run& run, SingleTarget& target);
    // Writes the walk's messages one by one; false at the first that fails.
    bool WriteMessages(const Run& run, TargetFile& file, int& written, WalkProgress& walk);
    void ExportEmlFiles(HostWindow window, const Run& run);
    bool ChooseEmlFolder(HostWindow window, const Run& run, std::string& folder);
    // The parsed message's Subject, converted to Shift-JIS, made into a file name.
    bool SubjectFileName(MimePart& root, std::string& name);
    // The name of a message's file: by the run's name pattern, else its Subject.
    bool MessageFileName(MimePart& root, std::string& name);
    // `observer`, when given, is kept alive through a long parse.
    bool ParseMessage(const char* id, MimePart& root, WriteObserver* observer = nullptr);
    // 0 when written, else the string-table id of why not.
    int WriteEmlFile(const char* id, const std::string& folder, MessageWriter& writer,
                     NameRegistry& names, WalkProgress& walk);
    // One message into a Maildir's new folder; 0 or the string-table id of why not.
    int DeliverToMaildir(const char* id, MaildirDelivery& maildir, MessageWriter& writer);
    // The progress of the walk that starts now.
    std::unique_ptr<WalkProgress> StartWalk(HostWindow window, const Run& run);
    int CountSelection(int selectionMode);
    // Ends the progress and tells the user how the walk ended.
    void FinishWalk(HostWindow window, const Run& run, WalkProgress& walk);
    void ShowError(HostWindow window, int textId);
    void CountConversions(const MessageWriter& writer);

    const HostApi& host_;
    ExportPlatform& platform_;
    ExportReport report_;
    std::function<void(const ExportReport&)> progress_;
    bool stopRequested_ = false;
    const ExportFormat* format_ = nullptr;  // of the run in hand
    ExportIndex* index_ = nullptr;          // index.csv of an .eml run, when asked
    unsigned namesMade_ = 0;                // the running number of name patterns
};

}  // namespace tessera
