// The export flow of the two commands, written once for every platform and
// every format: one walk over the selection in which each message makes one
// trip (fetched once, parsed once, named, converted, framed, written).
#pragma once

#include <memory>
#include <string>

#include "export/framing/FileNaming.h"
#include "export/seams/ExportFormat.h"
#include "export/seams/ExportPlatform.h"
#include "export/seams/ExportReport.h"
#include "export/seams/ExportSettings.h"
#include "export/seams/HostApi.h"

namespace tessera {

class ExportIndex;
class MaildirDelivery;
class MessageFraming;
class MessageWriter;
class MimePart;
struct HostMessage;

class ExportDriver {
  public:
    ExportDriver(const HostApi& host, ExportPlatform& platform);

    // "登録形式でエクスポート": export with the stored settings.
    void ExportStoredFormat(HostWindow window, const ExportSettings& settings);
    // "ShiftJISでエクスポート": ask for the format first, starting from `chosen`,
    // which keeps what was confirmed; `savePath` is where the dialogs start.
    void ExportChosenFormat(HostWindow window, ExportFormat& chosen, const std::string& savePath);

    const ExportReport& Report() const { return report_; }

  private:
    // What one run reads from start to end.
    struct Run {
        const ExportFormat& format;
        const std::string& savePath;
        bool stored;            // the stored-format command
        int selectionMode = 0;  // flag of every walk call
    };

    // Where the run's messages go.
    struct Target {
        // The one file, or the folder of the files (ending in its separator);
        // empty for a stored single file until the first message names it.
        std::string path;
        TargetMode mode = TargetMode::Replace;
        bool replacesOld = false;          // an existing file is replaced: kept whole on failure
        std::unique_ptr<TargetFile> file;  // the one file, once open
        int written = 0;                   // messages in the one file
        NameRegistry names;                // the files made in the folder
        std::unique_ptr<MaildirDelivery> delivery;  // a folder that takes messages itself
        std::unique_ptr<ExportIndex> index;         // index.csv of .eml files, when asked
        Target();
        ~Target();
    };

    // What the walk's messages share.
    struct Walk {
        const Run& run;
        const MessageFraming& framing;
        MessageWriter& writer;
        ExportProgress& progress;
        Target& target;
    };

    void RunExport(HostWindow window, Run& run);
    // The target chosen before the walk: a file (save dialog and overwrite
    // question), a folder, or, for a stored single file, nothing yet.
    bool ChooseTarget(HostWindow window, const Run& run, const MessageFraming& framing,
                      Target& target);
    // Opens the one file; false when it cannot be.
    bool OpenOneFile(Target& target);
    // The stored single file named after the first message; false when it cannot be.
    bool NameOneFile(const Run& run, const MessageFraming& framing, const std::string& name,
                     Target& target);
    // One message's trip: 0 when written, else the string-table id of why not.
    int ExportMessage(const char* id, Walk& walk);
    int WriteEmlFile(const char* id, HostMessage& message, const std::string& name, Walk& walk);
    int DeliverMessage(const char* id, HostMessage& message, Walk& walk);
    // Dates a written message file (and counts what keeps the export time).
    void DateMessageFile(const std::string& path, const ExportFormat& format, const int64_t* utc);
    // Opens what a folder target needs before its first message; false when it cannot.
    bool PrepareFolder(const Run& run, const MessageFraming& framing, Target& target);
    // Keeps or drops the one file as the walk ended.
    void EndOneFile(Target& target, bool ok, bool abandoned);
    // The parsed message's Subject, converted to `charset`, made into a file name.
    std::string SubjectFileName(MimePart& root, TargetCharset charset);
    // The name of a message's file: by the run's name pattern, else its Subject.
    std::string MessageFileName(const Run& run, MimePart& root);
    int CountSelection(int selectionMode);
    // Tells the user how the walk ended; `shown`: its progress had been on show.
    void FinishWalk(HostWindow window, const Run& run, bool shown);
    void ShowError(HostWindow window, int textId);
    void CountConversions(const MessageWriter& writer);

    const HostApi& host_;
    ExportPlatform& platform_;
    ExportReport report_;
};

}  // namespace tessera
