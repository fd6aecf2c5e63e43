// The export flow of the two commands, written once for every platform.
#pragma once

#include <functional>
#include <string>

#include "export/ExportChoices.h"
#include "export/ExportPlatform.h"
#include "shell/HostApi.h"

namespace tessera {

class MimePart;
class MessageWriter;
class NameRegistry;

// What one export did, for callers that report it (the command-line exporter).
struct ExportReport {
    int messagesWritten = 0;
    int messagesFailed = 0;
    bool errorShown = false;
    // The message of the latest progress call failed: it was too large to hold.
    bool lastTooLarge = false;
};

class ExportDriver {
public:
    ExportDriver(const HostApi& host, ExportChoices& choices, ExportPlatform& platform);

    // "登録形式でエクスポート": export with the stored settings.
    void ExportStoredFormat(HostWindow window);
    // "ShiftJISでエクスポート": ask for the format first.
    void ExportChosenFormat(HostWindow window);

    const ExportReport& Report() const { return report_; }
    // Called after every message of the walk.
    void SetProgress(std::function<void(const ExportReport&)> progress) { progress_ = std::move(progress); }

private:
    void RunExport(HostWindow window);
    void ExportSingleFile(HostWindow window);
    bool ChooseSingleFileTarget(HostWindow window, std::string& path);
    void ExportEmlFiles(HostWindow window);
    bool ChooseEmlFolder(HostWindow window, std::string& folder);
    // The parsed message's Subject made into a file name; false without a decoded Subject.
    bool SubjectFileName(MimePart& root, std::string& name);
    bool ParseMessage(const char* id, MimePart& root);
    bool WriteEmlFile(const char* id, const std::string& folder, MessageWriter& writer,
                      NameRegistry& names);
    void ShowError(HostWindow window, int textId);

    const HostApi& host_;
    ExportChoices& choices_;
    ExportPlatform& platform_;
    ExportReport report_;
    std::function<void(const ExportReport&)> progress_;
};

}  // namespace tessera
