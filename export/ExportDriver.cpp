#include "export/ExportDriver.h"

#include <cstring>
#include <memory>

#include "export/FileNaming.h"
#include "export/HeaderTextConversion.h"
#include "export/MessageWriter.h"
#include "export/MimePart.h"
#include "export/ShiftJisConverter.h"

namespace tessera {

namespace {

constexpr int kIdBufferSize = 257;  // the host is told 256
constexpr size_t kSubjectBufferSize = 1024;

// The folder browser starts one level up from a trailing '\', except at a drive root.
std::string BrowserStartFolder(const std::string& savePath) {
    if (savePath.size() > 3 && savePath.back() == '\\') return savePath.substr(0, savePath.size() - 1);
    return savePath;
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
        if (!writer.WriteMessage(id, *file)) {
            ++report_.messagesFailed;
            file.reset();
            ShowError(window, kTextWriteError);
            return;
        }
        ++report_.messagesWritten;
        CountConversions(writer);
        if (progress_) progress_(report_);
        std::memset(id, 0, sizeof id);
        position = host_.GetNextMail(position, id, 256, choices_.SelectionMode);
    }
}

void ExportDriver::CountConversions(const MessageWriter& writer) {
    report_.messagesConverted = writer.MessagesConverted();
    report_.characterReferences = writer.CharacterReferences();
}

bool ExportDriver::SubjectFileName(MimePart& root, std::string& name) {
    // The whole Subject, so that no word or character is cut before it is read.
    std::unique_ptr<char[]> subject(new char[kMaxFoldedHeaderBytes + 1]);
    root.GetHeader("Subject", subject.get(), kMaxFoldedHeaderBytes + 1);
    // The same rules as the header blocks of the written message, so the same
    // Subject gives the same name in any charset; "_" for what Shift-JIS lacks.
    ShiftJisConverter converter(host_);
    std::string converted;
    ConvertHeaderText(subject.get(), converter, Unmappable::kUnderscore, converted);
    char buffer[kSubjectBufferSize];
    SubjectToFileName(converted.c_str(), buffer, sizeof buffer);
    name = buffer;
    return true;
}

bool ExportDriver::ParseMessage(const char* id, MimePart& root) {
    char* source = host_.GetSource(id);
    if (!source) return false;
    const char* cursor = source;
    root.Parse(cursor, nullptr);
    host_.Free(source);
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
    MimePart root;
    MessageWriter writer(host_, choices_);
    NameRegistry names;
    char id[kIdBufferSize] = {};
    long position = host_.GetNextMail(-1, id, 256, choices_.SelectionMode);
    while (position != -1) {
        if (WriteEmlFile(id, folder, root, writer, names)) {
            ++report_.messagesWritten;
        } else {
            ++report_.messagesFailed;
        }
        CountConversions(writer);
        if (progress_) progress_(report_);
        std::memset(id, 0, sizeof id);
        position = host_.GetNextMail(position, id, 256, choices_.SelectionMode);
    }
    if (report_.messagesFailed > 0) ShowError(window, kTextWriteError);
}

bool ExportDriver::WriteEmlFile(const char* id, const std::string& folder, MimePart& root,
                                MessageWriter& writer, NameRegistry& names) {
    std::string name;
    if (!ParseMessage(id, root) || !SubjectFileName(root, name)) return false;
    std::string fileName = UniqueFileName(names, name, ".eml", folder.size(), platform_.MaxPathBytes());
    std::unique_ptr<OutputFile> file = platform_.CreateTruncated(folder + fileName);
    if (!file) return false;
    return writer.WriteMessage(id, *file);
}

}  // namespace tessera
