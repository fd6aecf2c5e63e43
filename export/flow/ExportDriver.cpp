#include "export/flow/ExportDriver.h"

#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <stdexcept>

#include "export/conversion/HeaderTextConversion.h"
#include "export/conversion/ShiftJisConverter.h"
#include "export/flow/AttachmentFiles.h"
#include "export/flow/ExportIndex.h"
#include "export/flow/NamePattern.h"
#include "export/flow/internal/MessageWriter.h"
#include "export/framing/FileNaming.h"
#include "export/framing/FolderPath.h"
#include "export/framing/MaildirDelivery.h"
#include "export/framing/MessageDate.h"
#include "export/framing/MessageFraming.h"
#include "export/mime/MimePart.h"
#include "export/seams/HostText.h"
#include "export/text/AsciiText.h"

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

// Names (and texts beside them) in `charset` are fitted and told apart by the
// bytes the platform writes.
NameEncoder OnDisk(ExportPlatform& platform, TargetCharset charset) {
    return [&platform, charset](const std::string& name) {
        return platform.NameOnDisk(name, charset);
    };
}

// The time a message's files take: its Date; false without a usable one
// (they keep the export time).
bool FileTime(const MimePart& root, int64_t& utc) {
    MessageDate date;
    if (!ReadMessageDate(root, date)) return false;
    utc = UtcSeconds(date);
    return true;
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

// Saves a converted message's attachments, and those of the messages
// forwarded inside it, as files beside its .eml file; with attachments left
// out, each one saved leaves a line in its place.
class AttachmentSaver : public AttachmentHook {
  public:
    AttachmentSaver(const HostApi& host, FileSystem& files, bool leavingOut,
                    const AttachmentTarget& target)
        : host_(host), files_(files), leavingOut_(leavingOut), target_(target) {}
    bool Take(MimePart& root, bool& changed) override {
        ShiftJisConverter converter(host_, Unwatched(), target_.names);
        const int before = tally.saved;
        const bool ok = SaveAttachmentFiles(root, leavingOut_, converter, files_, target_, tally);
        changed = leavingOut_ && tally.saved > before;
        return ok;
    }
    AttachmentTally tally;

  private:
    const HostApi& host_;
    FileSystem& files_;
    const bool leavingOut_;
    const AttachmentTarget& target_;
};

}  // namespace

ExportDriver::Target::Target() = default;
ExportDriver::Target::~Target() = default;

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
    std::unique_ptr<MessageFraming> framing = FramingFor(run.format, platform_.LocalNow());
    // Maildir output is the command line's choice, never a stored one.
    if (!framing || (run.stored && !IsSaveType(run.format.SaveType))) return;
    // However the run ends (an early return, an exception), the files that
    // wait for its one flush are put in place.
    struct RunEnd {
        FileSystem& files;
        bool done = false;
        int Finish() {
            done = true;
            return files.FinishRun();
        }
        ~RunEnd() {
            if (!done) files.FinishRun();
        }
    } runEnd{platform_.Files()};
    Target target;
    if (!ChooseTarget(window, run, *framing, target)) return;
    if (framing->OneFile() ? !target.path.empty() && !OpenOneFile(target)
                           : !PrepareFolder(run, *framing, target)) {
        // Unlike a cancelled dialog, the user asked for output that cannot be made.
        ShowError(window, IDS_WRITE_ERROR);
        return;
    }

    const int mode = run.selectionMode;
    std::unique_ptr<ExportProgress> watched =
        platform_.StartProgress(window, [this, mode] { return CountSelection(mode); });
    ExportProgress& progress = watched ? *watched : Unwatched();
    MessageWriter writer(host_, run.format, *framing, progress);
    Walk walk{run, *framing, writer, progress, target};
    const bool oneFile = framing->OneFile();
    bool ok = true;  // one file: no message failed
    ExportStop stop = ExportStop::No;
    std::memset(id, 0, sizeof id);
    for (long position = host_.GetNextMail(-1, id, 256, mode); position != -1;
         position = host_.GetNextMail(position, id, 256, mode)) {
        stop = progress.Continue(report_);
        if (stop != ExportStop::No) break;
        int failure = 0;
        auto trip = [&] {
            failure = ExportMessage(id, walk);
            return failure == 0;
        };
        const bool written = HoldingOneMessage(trip, report_.lastTooLarge);
        if (oneFile && !target.file) {
            // The stored single file could not be named after the first message, or opened.
            if (report_.lastTooLarge) {
                ++report_.messagesFailed;
                progress.MessageDone(report_);
            }
            ShowError(window, IDS_WRITE_ERROR);
            return;
        }
        if (written) {
            ++report_.messagesWritten;
        } else {
            ++report_.messagesFailed;
            const int why = report_.lastTooLarge ? IDS_FAILED_TOO_LARGE : failure;
            ++report_.failedBecause[why];
            platform_.NoteFailedMessage(report_.messagesWritten + report_.messagesFailed, why);
        }
        if (written || !oneFile) CountConversions(writer);
        progress.MessageDone(report_);
        if (!written && oneFile) {
            ok = false;
            break;
        }
        std::memset(id, 0, sizeof id);
    }
    if (stop == ExportStop::Cancel) report_.cancelled = true;
    const bool abandoned = stop == ExportStop::Abandon;
    if (oneFile) EndOneFile(target, ok, abandoned);
    // Complete files that could not be put in place were not exported;
    // the files' failure tells where each one's content is.
    const int unplaced = runEnd.Finish();
    report_.messagesWritten -= unplaced;
    report_.messagesFailed += unplaced;
    if (unplaced > 0) report_.failedBecause[IDS_FAILED_WRITE] += unplaced;
    // The rows of the files written, whatever stopped the walk.
    if (target.index && !target.index->Commit() && !abandoned) {
        report_.stoppingError = IDS_WRITE_ERROR;
    }
    report_.stopped = abandoned;
    const bool shown = progress.Shown();
    watched.reset();
    if (!abandoned) FinishWalk(window, run, shown);
}

int ExportDriver::ExportMessage(const char* id, Walk& walk) {
    HostMessage message;
    if (!walk.writer.Read(id, message)) return IDS_FAILED_NO_SOURCE;
    Target& target = walk.target;
    const bool oneFile = walk.framing.OneFile();
    // Naming costs host calls: in one file only when it is shown or names the file.
    const bool tell = !oneFile || walk.progress.WantsSubject();
    std::string name;
    if (tell || target.path.empty()) name = MessageFileName(walk.run, message.root);
    if (tell) walk.progress.SetSubject(name);
    if (target.delivery) return DeliverMessage(id, message, walk);
    if (!oneFile) return WriteEmlFile(id, message, name, walk);
    if (target.path.empty() &&
        (!NameOneFile(walk.run, walk.framing, name, target) || !OpenOneFile(target))) {
        return IDS_FAILED_WRITE;
    }
    TargetFile& file = *target.file;
    file.BeginMessage();
    if (target.written == 0) {
        std::string leadIn = walk.framing.AppendLeadIn(file.Tail());
        file.Write(leadIn.data(), leadIn.size());
    }
    const bool whole = walk.writer.Write(id, message, file);
    if (!file.EndMessage(whole)) return whole ? IDS_FAILED_WRITE : walk.writer.FailureReason();
    ++target.written;
    return 0;
}

int ExportDriver::WriteEmlFile(const char* id, HostMessage& message, const std::string& name,
                               Walk& walk) {
    const std::string& folder = walk.target.path;
    const std::string extension = walk.framing.Extension();
    FileSystem& files = platform_.Files();
    const ExportFormat& format = walk.run.format;
    std::string fileName;
    // An input of this export (re-exported into its own folder) is never written
    // over, and no attachments' folder takes the index's name.
    const bool folderBeside = walk.target.index && walk.run.format.SaveAttachments;
    do {
        fileName =
            UniqueFileName(walk.target.names, name, extension, folder.size(), files.MaxPathBytes(),
                           OnDisk(platform_, format.Names), format.Names);
    } while (platform_.IsProtected(folder + fileName) ||
             (folderBeside && EqualsIgnoreCase(fileName, std::string(kIndexFileName) + extension)));
    std::unique_ptr<TargetFile> file = files.Open(folder + fileName, TargetMode::NewName);
    if (!file) return IDS_FAILED_NO_FILE;
    // What the file's date, its index row and its attachments' folder read,
    // from the one parse, before the writer converts it.
    int64_t utc = 0;
    const bool dated = format.MailFileTimes && FileTime(message.root, utc);
    IndexRow row;
    if (walk.target.index) {
        // Made like the names: with UTF-8 names no character becomes a reference.
        ShiftJisConverter converter(host_, Unwatched(), format.Names);
        row = ReadIndexRow(message.root, converter);
    }
    AttachmentTarget attachments{folder, fileName, dated ? &utc : nullptr, files.MaxPathBytes(),
                                 OnDisk(platform_, format.Names)};
    attachments.names = format.Names;
    attachments.lineBreak = message.lineBreak;
    attachments.text = format.Target;
    AttachmentSaver saver(host_, files, format.NoAttach, attachments);
    file->BeginMessage();
    CountingOutput counted(*file);
    // A message that failed leaves no file, and an old file of its name as it was.
    const bool whole =
        walk.writer.Write(id, message, counted, format.SaveAttachments ? &saver : nullptr);
    report_.filesUndated += saver.tally.undated;
    if (!file->EndMessage(whole)) {
        file->Abort();
        return whole ? IDS_FAILED_WRITE : walk.writer.FailureReason();
    }
    if (!file->Commit()) return IDS_FAILED_WRITE;
    DateMessageFile(folder + fileName, format, dated ? &utc : nullptr);
    if (walk.target.index) {
        row.fileName = fileName;
        row.size = counted.bytes;
        if (!walk.target.index->Add(row)) report_.stoppingError = IDS_WRITE_ERROR;
    }
    return 0;
}

int ExportDriver::DeliverMessage(const char* id, HostMessage& message, Walk& walk) {
    const ExportFormat& format = walk.run.format;
    int64_t utc = 0;
    const bool dated = format.MailFileTimes && FileTime(message.root, utc);
    bool whole = true;
    std::string path;
    const bool delivered = walk.target.delivery->Deliver(
        [&](OutputFile& file) {
            whole = walk.writer.Write(id, message, file);
            return whole;
        },
        path);
    if (!delivered) return whole ? IDS_FAILED_WRITE : walk.writer.FailureReason();
    // Readers go by the names and flags; the time is the message's, as a .eml file's.
    DateMessageFile(path, format, dated ? &utc : nullptr);
    return 0;
}

void ExportDriver::DateMessageFile(const std::string& path, const ExportFormat& format,
                                   const int64_t* utc) {
    if (!format.MailFileTimes) return;
    if (utc == nullptr) {
        ++report_.messagesWithoutDate;
        return;
    }
    // The file is whole; a date the system refuses leaves it dated by the
    // export and is counted, not a failed message.
    if (!platform_.Files().SetFileTime(path, *utc)) {
        ++report_.filesUndated;
        platform_.Files().TakeFailure();
    }
}

bool ExportDriver::PrepareFolder(const Run& run, const MessageFraming& framing, Target& target) {
    FileSystem& files = platform_.Files();
    target.delivery = framing.DeliveryInto(files, target.path, platform_.MaildirNames());
    if (target.delivery) return target.delivery->Prepare();
    if (!run.format.WriteIndex) return true;
    target.index = std::make_unique<ExportIndex>(files, target.path + kIndexFileName,
                                                 OnDisk(platform_, run.format.Names));
    return target.index->Open();
}

void ExportDriver::EndOneFile(Target& target, bool ok, bool abandoned) {
    TargetFile& file = *target.file;
    const int written = target.written;
    // A failed replacement leaves the old file whole; a failed append or new
    // file keeps the whole messages before the failure, if there are any. A
    // cancelled one keeps the whole messages written, unless it was to replace
    // a file: that stays as it was. An abandoned one stays as it was.
    bool keep = !abandoned && (report_.cancelled ? !target.replacesOld
                                                 : ok || (!target.replacesOld && written > 0));
    bool kept = keep && file.Commit();
    if (!keep) file.Abort();
    if (!kept) {
        // What the file does not keep was neither written nor converted.
        report_.messagesWritten -= written;
        report_.messagesConverted = 0;
        report_.characterReferences = 0;
        report_.signaturesBroken = 0;
        report_.partsUnconverted = 0;
    }
    if (!abandoned && (!ok || (keep && !kept))) report_.stoppingError = IDS_WRITE_ERROR;
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

void ExportDriver::FinishWalk(HostWindow window, const Run& run, bool shown) {
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

void ExportDriver::CountConversions(const MessageWriter& writer) {
    report_.messagesConverted = writer.MessagesConverted();
    report_.characterReferences = writer.CharacterReferences();
    report_.signaturesBroken = writer.SignaturesBroken();
    report_.partsUnconverted = writer.PartsLeftUnconverted();
}

std::string ExportDriver::SubjectFileName(MimePart& root, TargetCharset charset) {
    // The whole Subject, so that no word or character is cut before it is read.
    std::unique_ptr<char[]> subject(new char[kMaxFoldedHeaderBytes + 1]);
    root.GetHeader("Subject", subject.get(), kMaxFoldedHeaderBytes + 1);
    // The same rules as the header blocks of the written message, so the same
    // Subject gives the same name in any charset; "_" for what Shift-JIS lacks.
    ShiftJisConverter converter(host_, Unwatched(), charset);
    std::string converted;
    ConvertHeaderText(subject.get(), converter, Unmappable::kUnderscore, converted);
    char buffer[kSubjectBufferSize];
    SubjectToFileName(converted.c_str(), buffer, sizeof buffer, charset);
    return buffer;
}

std::string ExportDriver::MessageFileName(const Run& run, MimePart& root) {
    const std::string& pattern = run.format.FileNamePattern;
    const TargetCharset charset = run.format.Names;
    if (pattern.empty()) return SubjectFileName(root, charset);
    ShiftJisConverter converter(host_, Unwatched(), charset);
    const unsigned place = static_cast<unsigned>(report_.messagesWritten + report_.messagesFailed);
    return PatternFileName(
        pattern, ReadNameFields(root, converter, platform_.LocalNow(), place + 1), charset);
}

bool ExportDriver::ChooseTarget(HostWindow window, const Run& run, const MessageFraming& framing,
                                Target& target) {
    if (!framing.OneFile()) {
        if (run.stored) {
            target.path = run.savePath;
        } else {
            std::string picked;
            if (!platform_.BrowseFolder(window, BrowseStartFolder(run.savePath), picked)) {
                return false;
            }
            target.path = FolderWithSeparator(picked);
        }
        report_.target = target.path;
        return true;
    }
    if (run.stored) return true;  // named after the first message
    if (!platform_.ChooseSaveFile(window, run.savePath, target.path)) return false;
    if (!platform_.Files().Exists(target.path)) return true;
    int answer = platform_.AskOverwrite(target.path);
    if (answer == kOverwriteCancel) return false;
    target.replacesOld = answer == kOverwriteReplace;
    target.mode = target.replacesOld ? TargetMode::Replace : TargetMode::Append;
    return true;
}

bool ExportDriver::NameOneFile(const Run& run, const MessageFraming& framing,
                               const std::string& name, Target& target) {
    FileSystem& files = platform_.Files();
    const std::string& folder = run.savePath;
    const std::string extension = framing.Extension();
    std::string path = folder +
                       FitFileName(name, folder.size(), extension.size(), files.MaxPathBytes(),
                                   OnDisk(platform_, run.format.Names), run.format.Names) +
                       extension;
    // Never written over: the export reads it.
    if (platform_.IsProtected(path)) return false;
    target.path = path;
    // An old file of that name is replaced, never deleted first.
    target.replacesOld = files.Exists(target.path);
    return true;
}

bool ExportDriver::OpenOneFile(Target& target) {
    target.file = platform_.Files().Open(target.path, target.mode);
    if (!target.file) return false;
    report_.target = target.path;
    return true;
}

}  // namespace tessera
