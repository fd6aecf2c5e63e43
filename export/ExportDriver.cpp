#include "export/ExportDriver.h"

#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>

#include "export/AppendFraming.h"
#include "export/AttachmentFiles.h"
#include "export/ExportIndex.h"
#include "export/FileNaming.h"
#include "export/FolderPath.h"
#include "export/HeaderTextConversion.h"
#include "export/HostText.h"
#include "export/LineReader.h"
#include "export/MessageDate.h"
#include "export/MessageWriter.h"
#include "export/MimePart.h"
#include "export/NamePattern.h"
#include "export/ShiftJisConverter.h"
#include "export/WalkProgress.h"

namespace tessera {

namespace {

constexpr int kIdBufferSize = 257;  // the host is told 256
constexpr size_t kSubjectBufferSize = 1024;

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

// Names are fitted and told apart by the bytes the platform writes.
NameEncoder OnDisk(ExportPlatform& platform) {
    return [&platform](const std::string& name) { return platform.NameOnDisk(name); };
}

// Counts what the writer hands to a file: the size an index row shows.
class CountingOutput : public OutputFile {
  public:
    explicit CountingOutput(OutputFile& out) : out_(out) {}
    bool Write(const char* data, size_t size) override {
        bytes += size;
        return out_.Write(data, size);
    }
    uint64_t bytes = 0;

  private:
    OutputFile& out_;
};

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
    format_ = &run.format;
    switch (run.format.SaveType) {
        case kSaveTypeMbox:
        case kSaveTypeSeparator:
            ExportSingleFile(window, run);
            break;
        case kSaveTypeEml:
            ExportEmlFiles(window, run);
            break;
        case kSaveTypeMaildir:
            if (!run.stored) ExportEmlFiles(window, run);
            break;
        default:
            break;
    }
}

void ExportDriver::ExportSingleFile(HostWindow window, const Run& run) {
    SingleTarget target;
    if (!ChooseSingleFileTarget(window, run, target)) return;
    std::unique_ptr<TargetFile> file = platform_.Files().Open(target.path, target.mode);
    if (!file) {
        // Unlike a cancelled dialog, the user asked for output that cannot be made.
        ShowError(window, IDS_WRITE_ERROR);
        return;
    }
    report_.target = target.path;
    std::unique_ptr<WalkProgress> walk = StartWalk(window, run);
    int written = 0;
    bool ok = WriteMessages(run, *file, written, *walk);
    // A failed replacement leaves the old file whole; a failed append or new
    // file keeps the whole messages before the failure, if there are any. A
    // cancelled one keeps the whole messages written, unless it was to replace
    // a file: that stays as it was.
    bool keep = !stopRequested_ && (report_.cancelled ? !target.replacesOld
                                                      : ok || (!target.replacesOld && written > 0));
    bool kept = keep && file->Commit();
    if (!keep) file->Abort();
    if (!kept) report_.messagesWritten -= written;
    report_.stopped = stopRequested_;
    if (!stopRequested_ && (!ok || (keep && !kept))) report_.stoppingError = IDS_WRITE_ERROR;
    if (!stopRequested_) FinishWalk(window, run, *walk);
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

bool ExportDriver::WriteMessages(const Run& run, TargetFile& file, int& written,
                                 WalkProgress& walk) {
    MessageWriter writer(host_, run.format);
    writer.SetExportTime(platform_.LocalNow());
    writer.SetObserver(&walk);
    char id[kIdBufferSize] = {};
    long position = host_.GetNextMail(-1, id, 256, run.selectionMode);
    while (position != -1 && !stopRequested_ && walk.Continue(report_)) {
        file.BeginMessage();
        if (written == 0) {
            std::string leadIn = AppendLeadIn(file.Tail(), run.format.SaveType);
            file.Write(leadIn.data(), leadIn.size());
        }
        auto write = [&] { return writer.WriteMessage(id, file); };
        if (!file.EndMessage(HoldingOneMessage(write, report_.lastTooLarge))) {
            ++report_.messagesFailed;
            ++report_.failedBecause[report_.lastTooLarge ? IDS_FAILED_TOO_LARGE : IDS_FAILED_WRITE];
            if (progress_) progress_(report_);
            return false;
        }
        ++written;
        ++report_.messagesWritten;
        CountConversions(writer);
        if (progress_) progress_(report_);
        std::memset(id, 0, sizeof id);
        position = host_.GetNextMail(position, id, 256, run.selectionMode);
    }
    return true;
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

bool ExportDriver::MessageFileName(MimePart& root, std::string& name) {
    if (format_ == nullptr || format_->FileNamePattern.empty()) return SubjectFileName(root, name);
    ShiftJisConverter converter(host_);
    name = PatternFileName(format_->FileNamePattern,
                           ReadNameFields(root, converter, platform_.LocalNow(), ++namesMade_));
    return true;
}

// Only the header block is parsed: a name needs no more.
bool ExportDriver::ParseMessage(const char* id, MimePart& root, WriteObserver* observer) {
    HostText source(host_, host_.GetSource(id));
    if (!source) return false;
    if (observer) observer->Working();
    const char* cursor = source.get();
    root.Parse(cursor, FirstEmptyLine(cursor, cursor + std::strlen(cursor)), nullptr);
    return true;
}

bool ExportDriver::ChooseSingleFileTarget(HostWindow window, const Run& run, SingleTarget& target) {
    FileSystem& files = platform_.Files();
    if (!run.stored) {
        if (!platform_.ChooseSaveFile(window, run.savePath, target.path)) return false;
        if (!files.Exists(target.path)) return true;
        int answer = platform_.AskOverwrite(target.path);
        if (answer == kOverwriteCancel) return false;
        target.replacesOld = answer == kOverwriteReplace;
        target.mode = target.replacesOld ? TargetMode::Replace : TargetMode::Append;
        return true;
    }
    char id[kIdBufferSize] = {};
    std::string name;
    MimePart root;
    if (host_.GetNextMail(-1, id, 256, run.selectionMode) == -1) return false;
    auto named = [&] { return ParseMessage(id, root) && MessageFileName(root, name); };
    if (!HoldingOneMessage(named, report_.lastTooLarge)) {
        if (report_.lastTooLarge) {
            ++report_.messagesFailed;
            if (progress_) progress_(report_);
        }
        ShowError(window, IDS_WRITE_ERROR);
        return false;
    }
    const std::string& folder = run.savePath;
    target.path = folder +
                  FitFileName(name, folder.size(), 4, files.MaxPathBytes(), OnDisk(platform_)) +
                  ".txt";
    if (platform_.IsProtected(target.path)) {
        // Never written over: the export reads it.
        ShowError(window, IDS_WRITE_ERROR);
        return false;
    }
    // An old file of that name is replaced, never deleted first.
    target.replacesOld = files.Exists(target.path);
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
    MessageWriter writer(host_, run.format);
    writer.SetExportTime(platform_.LocalNow());
    std::unique_ptr<WalkProgress> walk = StartWalk(window, run);
    writer.SetObserver(walk.get());
    NameRegistry names;
    std::unique_ptr<MaildirDelivery> maildir;
    if (run.format.SaveType == kSaveTypeMaildir) {
        maildir =
            std::make_unique<MaildirDelivery>(platform_.Files(), folder, platform_.MaildirNames());
        if (!maildir->Prepare()) {
            ShowError(window, IDS_WRITE_ERROR);
            return;
        }
    }
    std::unique_ptr<ExportIndex> index;
    if (run.format.WriteIndex) {
        index = std::make_unique<ExportIndex>(platform_.Files(), folder + kIndexFileName,
                                              OnDisk(platform_));
        if (!index->Open()) {
            ShowError(window, IDS_WRITE_ERROR);
            return;
        }
        index_ = index.get();
    }
    char id[kIdBufferSize] = {};
    long position = host_.GetNextMail(-1, id, 256, run.selectionMode);
    while (position != -1 && !stopRequested_ && walk->Continue(report_)) {
        int failure = IDS_FAILED_TOO_LARGE;
        auto write = [&] {
            failure = maildir ? DeliverToMaildir(id, *maildir, writer)
                              : WriteEmlFile(id, folder, writer, names, *walk);
            return failure == 0;
        };
        if (HoldingOneMessage(write, report_.lastTooLarge)) {
            ++report_.messagesWritten;
        } else {
            ++report_.messagesFailed;
            ++report_.failedBecause[report_.lastTooLarge ? IDS_FAILED_TOO_LARGE : failure];
        }
        CountConversions(writer);
        if (progress_) progress_(report_);
        std::memset(id, 0, sizeof id);
        position = host_.GetNextMail(position, id, 256, run.selectionMode);
    }
    report_.stopped = stopRequested_;
    index_ = nullptr;
    // The rows of the files written, whatever stopped the walk.
    if (index && !index->Commit() && !stopRequested_) report_.stoppingError = IDS_WRITE_ERROR;
    if (!stopRequested_) FinishWalk(window, run, *walk);
}

int ExportDriver::DeliverToMaildir(const char* id, MaildirDelivery& maildir,
                                   MessageWriter& writer) {
    const bool delivered =
        maildir.Deliver([&](OutputFile& file) { return writer.WriteMessage(id, file); });
    return delivered ? 0 : IDS_FAILED_WRITE;
}

int ExportDriver::WriteEmlFile(const char* id, const std::string& folder, MessageWriter& writer,
                               NameRegistry& names, WalkProgress& walk) {
    std::string name;
    MessageDate date;
    bool dated = false;
    IndexRow row;
    {
        MimePart root;  // gone before the writer parses the message again
        if (!ParseMessage(id, root, &walk)) return IDS_FAILED_NO_SOURCE;
        if (!MessageFileName(root, name)) return IDS_FAILED_NO_SUBJECT;
        dated = format_->MailFileTimes && ReadMessageDate(root, date);
        if (index_) {
            ShiftJisConverter converter(host_);
            row = ReadIndexRow(root, converter);
        }
    }
    walk.SetSubject(name);
    FileSystem& files = platform_.Files();
    std::string fileName =
        UniqueFileName(names, name, ".eml", folder.size(), files.MaxPathBytes(), OnDisk(platform_));
    // An input of this export (re-exported into its own folder) is never written over.
    while (platform_.IsProtected(folder + fileName)) {
        fileName = UniqueFileName(names, name, ".eml", folder.size(), files.MaxPathBytes(),
                                  OnDisk(platform_));
    }
    std::unique_ptr<TargetFile> file = files.Open(folder + fileName, TargetMode::NewName);
    if (!file) return IDS_FAILED_NO_FILE;
    const int64_t utc = UtcSeconds(date);
    const AttachmentTarget target{folder, fileName, dated ? &utc : nullptr, files.MaxPathBytes(),
                                  OnDisk(platform_)};
    // The whole message is parsed only by the writer: what needs its parts is done there.
    if (format_->SaveAttachments || index_) {
        writer.SetPartsHook([&](MimePart& root) {
            row.attachments = AttachmentCount(root);
            if (!format_->SaveAttachments) return true;
            ShiftJisConverter converter(host_);
            return SaveAttachmentFiles(root, format_->NoAttach, converter, files, target,
                                       report_.filesUndated);
        });
    }
    // The hook refers to this call's locals: gone with them, a throw included.
    struct HookReset {
        MessageWriter& writer;
        ~HookReset() { writer.SetPartsHook(nullptr); }
    } hookReset{writer};
    file->BeginMessage();
    CountingOutput counted(*file);
    // A message that failed leaves no file, and an old file of its name as it was.
    if (!file->EndMessage(writer.WriteMessage(id, counted))) {
        file->Abort();
        return IDS_FAILED_WRITE;
    }
    if (!file->Commit()) return IDS_FAILED_WRITE;
    // The file is whole; a time the system refuses leaves it dated by the export
    // and is counted, not a failed message.
    if (dated && !files.SetFileTime(folder + fileName, UtcSeconds(date))) {
        ++report_.filesUndated;
        files.TakeFailure();
    }
    if (index_) {
        row.fileName = fileName;
        row.size = counted.bytes;
        if (!index_->Add(row)) report_.stoppingError = IDS_WRITE_ERROR;
    }
    return 0;
}

}  // namespace tessera
