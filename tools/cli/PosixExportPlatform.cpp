#include "tools/cli/PosixExportPlatform.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/LocalClock.h"
#include "tools/cli/MessageText.h"

namespace tessera {

namespace {

class PosixOutputFile : public OutputFile {
public:
    PosixOutputFile(int fd, std::string path, bool created, std::string& failure)
        : fd_(fd), path_(std::move(path)), created_(created), failure_(failure) {}
    ~PosixOutputFile() override {
        if (fd_ >= 0) close(fd_);
    }
    PosixOutputFile(const PosixOutputFile&) = delete;
    PosixOutputFile& operator=(const PosixOutputFile&) = delete;

    // Loops over short writes; any error (ENOSPC, EIO, ...) fails the write.
    bool Write(const char* data, size_t size) override {
        while (size > 0) {
            ssize_t written = write(fd_, data, size);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) {
                failure_ = path_ + ": " + std::strerror(written < 0 ? errno : ENOSPC);
                return false;
            }
            data += written;
            size -= static_cast<size_t>(written);
        }
        return true;
    }

    void Discard() override {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
        if (created_) unlink(path_.c_str());
        created_ = false;
    }

private:
    int fd_;
    std::string path_;
    bool created_;          // this object made the file: Discard removes it
    std::string& failure_;  // the platform's note for the next message
};

}  // namespace

PosixExportPlatform::PosixExportPlatform(const CliOptions& options, FILE* messages, FILE* answers)
    : options_(options), messages_(messages), answers_(answers), names_(TextRecoder::From::ShiftJis, LocaleCharset()) {}

void PosixExportPlatform::Say(const std::string& text) {
    std::fprintf(messages_, "tessera-export: %s\n", text.c_str());
    std::fflush(messages_);
}

int PosixExportPlatform::RunFormatDialog(ExportFormat& format) {
    format.SaveType = options_.saveType;
    format.Convert = true;
    if (options_.hasSeparator) format.Separator = options_.separator;
    format.NoAttach = options_.noAttach;
    return 1;
}

bool PosixExportPlatform::ChooseSaveFile(HostWindow, const std::string&, std::string& path) {
    path = options_.output;
    return true;
}

int PosixExportPlatform::AskOverwrite(const std::string& path) {
    if (options_.ifExists == IfExists::Overwrite) return kOverwriteReplace;
    if (options_.ifExists == IfExists::Append) return kOverwriteAppend;
    cancelled_ = true;
    if (options_.ifExists == IfExists::Cancel || !answers_) {
        Say(path + " exists; not written (choose --if-exists overwrite or append)");
        return kOverwriteCancel;
    }
    std::fprintf(messages_, "tessera-export: %s exists: [o]verwrite, [a]ppend or [c]ancel? ",
                 path.c_str());
    std::fflush(messages_);
    char line[64];
    if (!std::fgets(line, sizeof line, answers_)) return kOverwriteCancel;
    if (line[0] == 'o' || line[0] == 'O') {
        cancelled_ = false;
        return kOverwriteReplace;
    }
    if (line[0] == 'a' || line[0] == 'A') {
        cancelled_ = false;
        return kOverwriteAppend;
    }
    return kOverwriteCancel;
}

bool PosixExportPlatform::BrowseFolder(HostWindow, const std::string&, std::string& folder) {
    folder = options_.output;
    if (folder.back() != '/') folder += '/';
    return true;
}

void PosixExportPlatform::ShowMessage(HostWindow, int textId) {
    std::string text = MessageText(textId);
    if (!failure_.empty()) text += " (" + failure_ + ")";
    failure_.clear();
    Say(text);
}

void PosixExportPlatform::NoteFailure(const std::string& path, int error) {
    failure_ = Shown(path) + ": " + std::strerror(error);
}

std::string PosixExportPlatform::NameOnDisk(const std::string& name) {
    lastName_ = name;
    lastNameKept_ = true;
    if (options_.names == NameCharset::ShiftJis) return name;
    if (!names_.Usable()) {
        if (!namesUnusableTold_) {
            Say("no converter to " + LocaleCharset() + ": names kept in Shift-JIS");
        }
        namesUnusableTold_ = true;
        return name;
    }
    lastNameKept_ = false;
    // '_' for what the locale cannot write: it is valid in every name.
    return names_.Recode(name, '_');
}

std::string PosixExportPlatform::Shown(const std::string& path) const {
    // A recoded name is in the locale's character set already.
    if (!lastNameKept_ || lastName_.empty()) return path;
    size_t at = path.rfind(lastName_);
    if (at == std::string::npos) return path;
    TextRecoder toLocale(TextRecoder::From::ShiftJis, LocaleCharset());
    std::string shown = toLocale.Recode(lastName_, '?');
    return path.substr(0, at) + shown + path.substr(at + lastName_.size());
}

bool PosixExportPlatform::FileExists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

bool PosixExportPlatform::RefuseInput(const std::string& path) {
    if (!inputs_ || !inputs_->Holds(path)) return false;
    failure_ = path + ": one of the inputs, never written";
    return true;
}

bool PosixExportPlatform::RefuseInput(int fd, const std::string& path) {
    if (!inputs_ || !inputs_->HoldsOpen(fd)) return false;
    close(fd);
    failure_ = path + ": one of the inputs, never written";
    return true;
}

bool PosixExportPlatform::IsProtected(const std::string& path) {
    return inputs_ && inputs_->Holds(path);
}

bool PosixExportPlatform::RemoveFile(const std::string& path) {
    if (RefuseInput(path)) return false;
    return unlink(path.c_str()) == 0;
}

OpenStatus PosixExportPlatform::OpenForAppend(const std::string& path,
                                              std::unique_ptr<OutputFile>& file) {
    const std::string& native = path;
    int fd = open(native.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) {
        NoteFailure(native, errno);
        return OpenStatus::OpenFailed;
    }
    if (RefuseInput(fd, native)) return OpenStatus::OpenFailed;
    file = std::make_unique<PosixOutputFile>(fd, Shown(native), false, failure_);
    if (lseek(fd, 0, SEEK_END) < 0) {
        NoteFailure(native, errno);
        return OpenStatus::SeekFailed;
    }
    return OpenStatus::Opened;
}

std::unique_ptr<OutputFile> PosixExportPlatform::CreateTruncated(const std::string& path) {
    const std::string& native = path;
    // Exclusive first, to know whether this export made the file.
    int fd = open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    bool created = fd >= 0;
    if (!created && errno == EEXIST) {
        fd = open(native.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    }
    if (fd < 0) {
        NoteFailure(native, errno);
        return nullptr;
    }
    // Emptied only once it is known not to be an input.
    if (!created && RefuseInput(fd, native)) return nullptr;
    struct stat info;
    if (!created && fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ftruncate(fd, 0) != 0) {
        NoteFailure(native, errno);
        close(fd);
        return nullptr;
    }
    return std::make_unique<PosixOutputFile>(fd, Shown(native), created, failure_);
}

size_t PosixExportPlatform::MaxPathBytes() const { return PATH_MAX - 1; }

CalendarTime PosixExportPlatform::LocalNow() { return tessera::LocalNow(); }

}  // namespace tessera
