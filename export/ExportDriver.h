// The export flow of the two commands, written once for every platform.
#pragma once

#include <cstddef>
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
    int messagesConverted = 0;        // written messages whose text was converted
    size_t characterReferences = 0;   // characters written as "&#NNNNN;" references
    bool errorShown = false;
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
    // The parsed message's Subject, converted to Shift-JIS, made into a file name.
    bool SubjectFileName(MimePart& root, std::string& name);
    bool ParseMessage(const char* id, MimePart& root);
    bool WriteEmlFile(const char* id, const std::string& folder, MimePart& root,
                      MessageWriter& writer, NameRegistry& names);
    void ShowError(HostWindow window, int textId);
    void CountConversions(const MessageWriter& writer);

    const HostApi& host_;
    ExportChoices& choices_;
    ExportPlatform& platform_;
    ExportReport report_;
    std::function<void(const ExportReport&)> progress_;
};

}  // namespace tessera
