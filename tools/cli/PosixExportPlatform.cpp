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
    PosixOutputFile(int fd, std::string path, std::string& failure)
        : fd_(fd), path_(std::move(path)), failure_(failure) {}
    ~PosixOutputFile() override { close(fd_); }
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

private:
    int fd_;
    std::string path_;
    std::string& failure_;  // the platform's note for the next message
};

}  // namespace

PosixExportPlatform::PosixExportPlatform(const CliOptions& options, FILE* messages, FILE* answers)
    : options_(options), messages_(messages), answers_(answers) {}

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
    failure_ = path + ": " + std::strerror(error);
}

bool PosixExportPlatform::FileExists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

bool PosixExportPlatform::RemoveFile(const std::string& path) {
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
    file = std::make_unique<PosixOutputFile>(fd, native, failure_);
    if (lseek(fd, 0, SEEK_END) < 0) {
        NoteFailure(native, errno);
        return OpenStatus::SeekFailed;
    }
    return OpenStatus::Opened;
}

std::unique_ptr<OutputFile> PosixExportPlatform::CreateTruncated(const std::string& path) {
    const std::string& native = path;
    int fd = open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        NoteFailure(native, errno);
        return nullptr;
    }
    return std::make_unique<PosixOutputFile>(fd, native, failure_);
}

size_t PosixExportPlatform::MaxPathBytes() const { return PATH_MAX - 1; }

CalendarTime PosixExportPlatform::LocalNow() { return tessera::LocalNow(); }

}  // namespace tessera
