#include "export/ExportDriver.h"

#include <cstring>

#include "export/FileNaming.h"
#include "export/FolderPath.h"
#include "export/HostText.h"
#include "export/MessageWriter.h"
#include "export/MimePart.h"
#include "export/WalkProgress.h"

namespace tessera {

namespace {

constexpr int kIdBufferSize = 257;  // the host is told 256
constexpr size_t kSubjectBufferSize = 1024;

bool HasIso2022JpEscape(const char* text) {
    return std::strstr(text, "\x1b$B") != nullptr || std::strstr(text, "\x1b$(D") != nullptr;
}

}  // namespace

ExportDriver::ExportDriver(const HostApi& host, ExportPlatform& platform)
    : host_(host), platform_(platform) {}

void ExportDriver::ShowError(HostWindow window, int textId) {
    report_.errorShown = true;
    platform_.ShowMessage(window, textId);
}

void ExportDriver::ExportStoredFormat(HostWindow window, const ExportSettings& settings) {
    if (settings.SavePath.empty()) {
        ShowError(window, IDS_NO_SAVE_PATH);
        return;
    }
    Run run{settings, settings.SavePath, true};
    RunExport(window, run);
}

void ExportDriver::ExportChosenFormat(HostWindow window, ExportFormat& chosen,
                                      const std::string& savePath) {
    ExportFormat format = chosen;
    format.Convert = true;  // the dialog shows conversion as always on
    if (platform_.RunFormatDialog(format) == 2) return;
    chosen = format;
    Run run{format, savePath, false};
    RunExport(window, run);
}

void ExportDriver::RunExport(HostWindow window, Run& run) {
    char id[kIdBufferSize] = {};
    if (host_.GetNextMail(-1, id, 256, 0) == -1) return;
    std::memset(id, 0, sizeof id);
    run.selectionMode = host_.GetNextMail(-1, id, 256, 1) != -1 ? 1 : 0;
    switch (run.format.SaveType) {
        case kSaveTypeMbox:
        case kSaveTypeSeparator:
            ExportSingleFile(window, run);
            break;
        case kSaveTypeEml:
            ExportEmlFiles(window, run);
            break;
        default:
            break;
    }
}

void ExportDriver::ExportSingleFile(HostWindow window, const Run& run) {
    std::string path;
    if (!ChooseSingleFileTarget(window, run, path)) return;
    std::unique_ptr<OutputFile> file;
    OpenStatus status = platform_.OpenForAppend(path, file);
    if (status != OpenStatus::Opened) {
        // Unlike a cancelled dialog, the user asked for output that cannot be made.
        file.reset();
        ShowError(window, IDS_WRITE_ERROR);
        return;
    }
    report_.target = path;
    MessageWriter writer(host_, run.format);
    writer.SetExportTime(platform_.LocalNow());
    std::unique_ptr<WalkProgress> walk = StartWalk(window, run);
    writer.SetObserver(walk.get());
    char id[kIdBufferSize] = {};
    long position = host_.GetNextMail(-1, id, 256, run.selectionMode);
    while (position != -1 && walk->Continue(report_)) {
        if (!writer.WriteMessage(id, *file)) {
            ++report_.messagesFailed;
            report_.stoppingError = IDS_WRITE_ERROR;
            break;
        }
        ++report_.messagesWritten;
        if (progress_) progress_(report_);
        std::memset(id, 0, sizeof id);
        position = host_.GetNextMail(position, id, 256, run.selectionMode);
    }
    FinishTarget(file);
    FinishWalk(window, run, *walk);
}

std::unique_ptr<WalkProgress> ExportDriver::StartWalk(HostWindow window, const Run& run) {
    int mode = run.selectionMode;
    return std::make_unique<WalkProgress>(
        platform_.StartProgress(window, [this, mode] { return CountSelection(mode); }),
        [this](MimePart& root, std::string& name) { return SubjectFileName(root, name); });
}

int ExportDriver::CountSelection(int selectionMode) {
    // Identifiers only: the walk asks the host for no source.
    char id[kIdBufferSize] = {};
    int count = 0;
    for (long position = host_.GetNextMail(-1, id, 256, selectionMode); position != -1;
         position = host_.GetNextMail(position, id, 256, selectionMode)) {
        ++count;
        std::memset(id, 0, sizeof id);
    }
    report_.messagesSelected = count;
    return count;
}

void ExportDriver::FinishTarget(std::unique_ptr<OutputFile>& file) {
    // The walk stops only between messages, so the target holds whole ones.
    file.reset();
}

void ExportDriver::FinishWalk(HostWindow window, const Run& run, WalkProgress& walk) {
    bool shown = walk.End();
    if (shown || report_.cancelled) {
        if (report_.messagesSelected == 0) CountSelection(run.selectionMode);
        report_.errorShown |= report_.stoppingError != 0 || report_.messagesFailed > 0;
        platform_.ShowReport(window, report_);
        return;
    }
    if (report_.stoppingError != 0) {
        ShowError(window, report_.stoppingError);
    } else if (report_.messagesFailed > 0) {
        ShowError(window, IDS_WRITE_ERROR);
    }
}

bool ExportDriver::SubjectFileName(MimePart& root, std::string& name) {
    char subject[kSubjectBufferSize];
    root.GetHeader("Subject", subject, sizeof subject);
    char scratch[256];
    HostText decoded(host_, host_.MIMEHeader(subject, scratch, 255, 0));
    if (!decoded) return false;
    if (HasIso2022JpEscape(decoded.get())) {
        // Without a converted text, the decoded one still makes a usable name.
        char* converted = host_.ISO_2022_JP(decoded.get(), 0);
        if (converted) decoded.reset(converted);
    }
    SubjectToFileName(decoded.get(), subject, sizeof subject);
    name = subject;
    return true;
}

bool ExportDriver::ParseMessage(const char* id, MimePart& root, WriteObserver* observer) {
    HostText source(host_, host_.GetSource(id));
    if (!source) return false;
    const char* cursor = source.get();
    if (!observer) {
        root.Parse(cursor, nullptr);
        return true;
    }
    observer->Working();
    const std::function<void()> pulse = [observer] { observer->Working(); };
    root.Parse(cursor, cursor + std::strlen(cursor), nullptr, &pulse);
    return true;
}

bool ExportDriver::ChooseSingleFileTarget(HostWindow window, const Run& run, std::string& path) {
    if (!run.stored) {
        if (!platform_.ChooseSaveFile(window, run.savePath, path)) return false;
        if (!platform_.FileExists(path)) return true;
        int answer = platform_.AskOverwrite(path);
        if (answer == kOverwriteCancel) return false;
        if (answer == kOverwriteReplace) platform_.RemoveFile(path);
        return true;
    }
    char id[kIdBufferSize] = {};
    std::string name;
    MimePart root;
    if (host_.GetNextMail(-1, id, 256, run.selectionMode) == -1) return false;
    if (!ParseMessage(id, root) || !SubjectFileName(root, name)) {
        ShowError(window, IDS_WRITE_ERROR);
        return false;
    }
    const std::string& folder = run.savePath;
    path = folder + FitFileName(name, folder.size(), 4, platform_.MaxPathBytes()) + ".txt";
    if (platform_.FileExists(path)) platform_.RemoveFile(path);
    return true;
}

bool ExportDriver::ChooseEmlFolder(HostWindow window, const Run& run, std::string& folder) {
    if (run.stored) {
        folder = run.savePath;
        return true;
    }
    std::string picked;
    if (!platform_.BrowseFolder(window, BrowseStartFolder(run.savePath), picked)) return false;
    folder = FolderWithSeparator(picked);
    return true;
}

void ExportDriver::ExportEmlFiles(HostWindow window, const Run& run) {
    std::string folder;
    if (!ChooseEmlFolder(window, run, folder)) return;
    report_.target = folder;
    MimePart root;
    MessageWriter writer(host_, run.format);
    writer.SetExportTime(platform_.LocalNow());
    std::unique_ptr<WalkProgress> walk = StartWalk(window, run);
    writer.SetObserver(walk.get());
    NameRegistry names;
    char id[kIdBufferSize] = {};
    long position = host_.GetNextMail(-1, id, 256, run.selectionMode);
    while (position != -1 && walk->Continue(report_)) {
        int failure = WriteEmlFile(id, folder, root, writer, names, *walk);
        if (failure == 0) {
            ++report_.messagesWritten;
        } else {
            ++report_.messagesFailed;
            ++report_.failedBecause[failure];
        }
        if (progress_) progress_(report_);
        std::memset(id, 0, sizeof id);
        position = host_.GetNextMail(position, id, 256, run.selectionMode);
    }
    FinishWalk(window, run, *walk);
}

int ExportDriver::WriteEmlFile(const char* id, const std::string& folder, MimePart& root,
                               MessageWriter& writer, NameRegistry& names, WalkProgress& walk) {
    std::string name;
    if (!ParseMessage(id, root, &walk)) return IDS_FAILED_NO_SOURCE;
    if (!SubjectFileName(root, name)) return IDS_FAILED_NO_SUBJECT;
    walk.SetSubject(name);
    std::string fileName = UniqueFileName(names, name, ".eml", folder.size(), platform_.MaxPathBytes());
    std::unique_ptr<OutputFile> file = platform_.CreateTruncated(folder + fileName);
    if (!file) return IDS_FAILED_NO_FILE;
    bool written = writer.WriteMessage(id, *file);
    FinishTarget(file);
    return written ? 0 : IDS_FAILED_WRITE;
}

}  // namespace tessera
