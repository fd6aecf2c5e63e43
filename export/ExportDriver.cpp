#include "export/ExportDriver.h"

#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>

#include "export/FileNaming.h"
#include "export/LineReader.h"
#include "export/MessageWriter.h"
#include "export/MimePart.h"

namespace tessera {

namespace {

constexpr int kIdBufferSize = 257;  // the host is told 256
constexpr size_t kSubjectBufferSize = 1024;

bool HasIso2022JpEscape(const char* text) {
    return std::strstr(text, "\x1b$B") != nullptr || std::strstr(text, "\x1b$(D") != nullptr;
}

// The folder browser starts one level up from a trailing '\', except at a drive root.
std::string BrowserStartFolder(const std::string& savePath) {
    if (savePath.size() > 3 && savePath.back() == '\\') return savePath.substr(0, savePath.size() - 1);
    return savePath;
}

// Runs the work on one message. Memory running out there means that message is
// too large to hold: it fails alone, and what it held is given back.
template <class Work>
bool HoldingOneMessage(Work work, bool& tooLarge) {
    tooLarge = false;
    try {
        return work();
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    tooLarge = true;
    return false;
}

}  // namespace

ExportDriver::ExportDriver(const HostApi& host, ExportChoices& choices, ExportPlatform& platform)
    : host_(host), choices_(choices), platform_(platform) {}

void ExportDriver::ShowError(HostWindow window, int textId) {
    report_.errorShown = true;
    platform_.ShowMessage(window, textId);
}

void ExportDriver::ExportStoredFormat(HostWindow window) {
    choices_.UseStoredSettings = true;
    if (choices_.Settings.SavePath.empty()) {
        ShowError(window, kTextNoSavePath);
        return;
    }
    RunExport(window);
}

void ExportDriver::ExportChosenFormat(HostWindow window) {
    choices_.UseStoredSettings = false;
    FormatChoice choice;
    choice.SaveType = choices_.ChosenSaveType;
    choice.Convert = choices_.EffectiveConvert();
    choice.Separator = choices_.ChosenSeparator;
    choice.NoAttach = choices_.ChosenNoAttach;
    if (platform_.RunFormatDialog(choice) == 2) return;
    choices_.ChosenSaveType = choice.SaveType;
    choices_.ChosenConvert = choice.Convert;
    choices_.ChosenSeparator = choice.Separator;
    choices_.ChosenNoAttach = choice.NoAttach;
    RunExport(window);
}

void ExportDriver::RunExport(HostWindow window) {
    char id[kIdBufferSize] = {};
    if (host_.GetNextMail(-1, id, 256, 0) == -1) return;
    std::memset(id, 0, sizeof id);
    choices_.SelectionMode = host_.GetNextMail(-1, id, 256, 1) != -1 ? 1 : 0;
    switch (choices_.EffectiveSaveType()) {
        case kSaveTypeMbox:
        case kSaveTypeSeparator:
            ExportSingleFile(window);
            break;
        case kSaveTypeEml:
            ExportEmlFiles(window);
            break;
        default:
            break;
    }
}

void ExportDriver::ExportSingleFile(HostWindow window) {
    std::string path;
    if (!ChooseSingleFileTarget(window, path)) return;
    std::unique_ptr<OutputFile> file;
    OpenStatus status = platform_.OpenForAppend(path, file);
    if (status != OpenStatus::Opened) {
        // Unlike a cancelled dialog, the user asked for output that cannot be made.
        file.reset();
        ShowError(window, kTextWriteError);
        return;
    }
    MessageWriter writer(host_, choices_);
    char id[kIdBufferSize] = {};
    long position = host_.GetNextMail(-1, id, 256, choices_.SelectionMode);
    while (position != -1) {
        if (!HoldingOneMessage([&] { return writer.WriteMessage(id, *file); }, report_.lastTooLarge)) {
            ++report_.messagesFailed;
            if (progress_) progress_(report_);
            file.reset();
            ShowError(window, kTextWriteError);
            return;
        }
        ++report_.messagesWritten;
        if (progress_) progress_(report_);
        std::memset(id, 0, sizeof id);
        position = host_.GetNextMail(position, id, 256, choices_.SelectionMode);
    }
}

bool ExportDriver::SubjectFileName(MimePart& root, std::string& name) {
    char subject[kSubjectBufferSize];
    root.GetHeader("Subject", subject, sizeof subject);
    char scratch[256];
    char* decoded = host_.MIMEHeader(subject, scratch, 255, 0);
    if (!decoded) return false;
    if (HasIso2022JpEscape(decoded)) {
        // Without a converted text, the decoded one still makes a usable name.
        char* converted = host_.ISO_2022_JP(decoded, 0);
        if (converted) {
            host_.Free(decoded);
            decoded = converted;
        }
    }
    SubjectToFileName(decoded, subject, sizeof subject);
    host_.Free(decoded);
    name = subject;
    return true;
}

// Only the header block is parsed: a name needs no more.
bool ExportDriver::ParseMessage(const char* id, MimePart& root) {
    auto release = [this](char* text) { host_.Free(text); };
    std::unique_ptr<char, decltype(release)> source(host_.GetSource(id), release);
    if (!source) return false;
    const char* cursor = source.get();
    root.Parse(cursor, FirstEmptyLine(cursor, cursor + std::strlen(cursor)), nullptr);
    return true;
}

bool ExportDriver::ChooseSingleFileTarget(HostWindow window, std::string& path) {
    if (!choices_.UseStoredSettings) {
        if (!platform_.ChooseSaveFile(window, choices_.Settings.SavePath, path)) return false;
        if (!platform_.FileExists(path)) return true;
        int answer = platform_.AskOverwrite(path);
        if (answer == kOverwriteCancel) return false;
        if (answer == kOverwriteReplace) platform_.RemoveFile(path);
        return true;
    }
    char id[kIdBufferSize] = {};
    std::string name;
    MimePart root;
    if (host_.GetNextMail(-1, id, 256, choices_.SelectionMode) == -1) return false;
    if (!ParseMessage(id, root) || !SubjectFileName(root, name)) {
        ShowError(window, kTextWriteError);
        return false;
    }
    const std::string& folder = choices_.Settings.SavePath;
    path = folder + FitFileName(name, folder.size(), 4, platform_.MaxPathBytes()) + ".txt";
    if (platform_.FileExists(path)) platform_.RemoveFile(path);
    return true;
}

bool ExportDriver::ChooseEmlFolder(HostWindow window, std::string& folder) {
    if (choices_.UseStoredSettings) {
        folder = choices_.Settings.SavePath;
        return true;
    }
    std::string picked;
    if (!platform_.BrowseFolder(window, BrowserStartFolder(choices_.Settings.SavePath), picked)) {
        return false;
    }
    folder = picked;
    // A folder that already ends in a separator ('/' from a POSIX platform) keeps it;
    // no Shift-JIS trail byte is '/', so the last byte decides.
    if (folder.empty() || (folder.back() != '\\' && folder.back() != '/')) folder += '\\';
    return true;
}

void ExportDriver::ExportEmlFiles(HostWindow window) {
    std::string folder;
    if (!ChooseEmlFolder(window, folder)) return;
    MessageWriter writer(host_, choices_);
    NameRegistry names;
    char id[kIdBufferSize] = {};
    long position = host_.GetNextMail(-1, id, 256, choices_.SelectionMode);
    while (position != -1) {
        if (HoldingOneMessage([&] { return WriteEmlFile(id, folder, writer, names); },
                              report_.lastTooLarge)) {
            ++report_.messagesWritten;
        } else {
            ++report_.messagesFailed;
        }
        if (progress_) progress_(report_);
        std::memset(id, 0, sizeof id);
        position = host_.GetNextMail(position, id, 256, choices_.SelectionMode);
    }
    if (report_.messagesFailed > 0) ShowError(window, kTextWriteError);
}

bool ExportDriver::WriteEmlFile(const char* id, const std::string& folder, MessageWriter& writer,
                                NameRegistry& names) {
    std::string name;
    {
        MimePart root;  // gone before the writer parses the message again
        if (!ParseMessage(id, root) || !SubjectFileName(root, name)) return false;
    }
    std::string fileName = UniqueFileName(names, name, ".eml", folder.size(), platform_.MaxPathBytes());
    std::unique_ptr<OutputFile> file = platform_.CreateTruncated(folder + fileName);
    if (!file) return false;
    return writer.WriteMessage(id, *file);
}

}  // namespace tessera
