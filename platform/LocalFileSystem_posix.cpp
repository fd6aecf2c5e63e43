#include "platform/LocalFileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tessera {

namespace {

constexpr int kTempAttempts = 100;

// Writes all bytes over short writes and interrupted calls; 0 or the errno.
int WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t written = write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return written < 0 ? errno : ENOSPC;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return 0;
}

// The last bytes (at most 4) of an open regular file of `length` bytes.
std::string ReadTail(int fd, uint64_t length) {
    char bytes[4];
    size_t count = length < sizeof bytes ? static_cast<size_t>(length) : sizeof bytes;
    ssize_t got = pread(fd, bytes, count, static_cast<off_t>(length - count));
    return got == static_cast<ssize_t>(count) ? std::string(bytes, count) : std::string();
}

// The folder part of `path` with its '/', or "" for a bare name.
std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

class PosixTarget : public TargetFile {
  public:
    // `temp` names the new file of a replacement, renamed to `final` on commit;
    // empty when `fd` is the target itself. `cuttable` is false for a stream.
    PosixTarget(LocalFileSystem& files, int fd, std::string shown, std::string temp,
                std::string final, bool cuttable)
        : TargetFile(temp.empty()),
          files_(files),
          fd_(fd),
          shown_(std::move(shown)),
          temp_(std::move(temp)),
          final_(std::move(final)),
          cuttable_(cuttable) {}
    ~PosixTarget() override {
        Abort();
        if (fd_ >= 0) close(fd_);
    }
    PosixTarget(const PosixTarget&) = delete;
    PosixTarget& operator=(const PosixTarget&) = delete;

    using TargetFile::Started;

  protected:
    bool Put(const char* data, size_t size) override {
        int error = WriteAll(fd_, data, size);
        if (error != 0) files_.NoteFailure(shown_, error);
        return error == 0;
    }

    // Writes go to the end (O_APPEND, or a new file written in order).
    bool CutTo(uint64_t length) override {
        return cuttable_ && ftruncate(fd_, static_cast<off_t>(length)) == 0 &&
               lseek(fd_, 0, SEEK_END) >= 0;
    }

    bool Finish(bool keep) override {
        // A failed close can mean lost data on some file systems: it fails the commit.
        int error = close(fd_) == 0 ? 0 : errno;
        fd_ = -1;
        if (temp_.empty()) {
            if (keep && error != 0) files_.NoteFailure(shown_, error);
            return error == 0 || !keep;
        }
        if (keep && error == 0) {
            if (rename(temp_.c_str(), final_.c_str()) == 0) return true;
            error = errno;
        }
        if (keep) files_.NoteFailure(shown_, error);
        unlink(temp_.c_str());
        return false;
    }

  private:
    LocalFileSystem& files_;
    int fd_;
    std::string shown_;  // the path as the user gave it
    std::string temp_;
    std::string final_;
    bool cuttable_;
};

// A device or pipe: written as it is, never created, emptied or removed.
std::unique_ptr<TargetFile> OpenStream(LocalFileSystem& files, const std::string& path) {
    int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        files.NoteFailure(path, errno);
        return nullptr;
    }
    return std::make_unique<PosixTarget>(files, fd, path, std::string(), path, false);
}

// Appends in place, where no new file can be made beside the target: a
// failed message is cut back, but a killed process can leave a torn one.
std::unique_ptr<TargetFile> OpenInPlace(LocalFileSystem& files, const std::string& path) {
    int fd = open(path.c_str(), O_RDWR | O_APPEND | O_CLOEXEC);
    struct stat info;
    if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        files.NoteFailure(path, fd < 0 ? errno : EINVAL);
        if (fd >= 0) close(fd);
        return nullptr;
    }
    uint64_t length = static_cast<uint64_t>(info.st_size);
    auto target = std::make_unique<PosixTarget>(files, fd, path, std::string(), path, true);
    target->Started(length, ReadTail(fd, length));
    return target;
}

// The file a symbolic link names, or `path` itself.
std::string RealPath(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    std::string result = real ? real : path;
    std::free(real);
    return result;
}

// Creates a new file beside `final` with the permissions of `old` (when there
// is one); its name in `temp`. -1 with errno set when none can be made.
int CreateBeside(const std::string& final, const struct stat* old, std::string& temp) {
    std::string prefix = FolderOf(final) + ".tessera-" + std::to_string(getpid()) + "-";
    static unsigned counter = 0;
    for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
        temp = prefix + std::to_string(++counter) + ".tmp";
        int fd = open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return -1;
        if (old) {
            fchmod(fd, old->st_mode & 07777);
            // Only root may keep another owner; anyone else keeps the file as theirs.
            if (fchown(fd, old->st_uid, old->st_gid) != 0) errno = 0;
        }
        return fd;
    }
    errno = EEXIST;
    return -1;
}

// Copies all of `from` to `to`, in the kernel where it can; 0 or the errno.
int CopyContent(int from, int to) {
    for (;;) {
        ssize_t copied = copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
        if (copied == 0) return 0;
        if (copied > 0 || errno == EINTR) continue;
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)
            return errno;
        break;
    }
    std::vector<char> buffer(1 << 20);
    for (;;) {
        ssize_t got = read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return got < 0 ? errno : 0;
        int error = WriteAll(to, buffer.data(), static_cast<size_t>(got));
        if (error != 0) return error;
    }
}

// A new file beside the target (beside the file a link names), renamed over
// it on commit: an append starts as a copy of the old content, a replacement
// empty. So the target is never seen half written, even by a killed process.
std::unique_ptr<TargetFile> OpenBeside(LocalFileSystem& files, const std::string& path,
                                       const struct stat* old, TargetMode mode) {
    std::string final = old ? RealPath(path) : path;
    std::string temp;
    int fd = CreateBeside(final, old, temp);
    if (fd < 0) {
        int error = errno;
        if (old && mode == TargetMode::Append) return OpenInPlace(files, path);
        files.NoteFailure(path, error);
        return nullptr;
    }
    auto target = std::make_unique<PosixTarget>(files, fd, path, temp, final, true);
    if (!old || mode != TargetMode::Append) return target;
    int source = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    int error = source < 0 ? errno : CopyContent(source, fd);
    struct stat copied;
    if (error == 0 && fstat(fd, &copied) != 0) error = errno;
    if (source >= 0) close(source);
    if (error != 0) {
        files.NoteFailure(path, error);
        return nullptr;  // the target's destructor removes the partial copy
    }
    uint64_t length = static_cast<uint64_t>(copied.st_size);
    target->Started(length, ReadTail(fd, length));
    return target;
}

}  // namespace

bool LocalFileSystem::Exists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

std::unique_ptr<TargetFile> LocalFileSystem::Open(const std::string& path, TargetMode mode) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        // A link to nothing is not a file to rename over.
        if (lstat(path.c_str(), &info) == 0) {
            NoteFailure(path, ENOENT);
            return nullptr;
        }
        return OpenBeside(*this, path, nullptr, mode);
    }
    if (S_ISDIR(info.st_mode)) {
        NoteFailure(path, EISDIR);
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) return OpenStream(*this, path);
    return OpenBeside(*this, path, &info, mode);
}

std::string LocalFileSystem::AsFolder(const std::string& path) {
    return !path.empty() && path.back() == '/' ? path : path + '/';
}

bool LocalFileSystem::IsPathOfThisSystem(const std::string& path) {
    bool drive = path.size() >= 2 && path[1] == ':' &&
                 ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    return !drive && path.find('\\') == std::string::npos;
}

size_t LocalFileSystem::MaxPathBytes() const { return PATH_MAX - 1; }

std::string LocalFileSystem::TakeFailure() {
    std::string failure;
    failure.swap(failure_);
    return failure;
}

void LocalFileSystem::NoteFailure(const std::string& path, int error) {
    failure_ = path + ": " + std::strerror(error);
}

bool LocalFileSystem::SetFileTime(const std::string& path, int64_t utcSeconds) {
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;  // the access time stays
    times[1].tv_sec = static_cast<time_t>(utcSeconds);
    times[1].tv_nsec = 0;
    if (static_cast<int64_t>(times[1].tv_sec) != utcSeconds) {
        NoteFailure(path, EOVERFLOW);
        return false;
    }
    if (utimensat(AT_FDCWD, path.c_str(), times, 0) == 0) return true;
    NoteFailure(path, errno);
    return false;
}

bool LocalFileSystem::MakeFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0777) == 0) return true;
    const int error = errno;
    struct stat st;
    if (error == EEXIST && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
    NoteFailure(path, error);
    return false;
}

bool LocalFileSystem::Move(const std::string& from, const std::string& to) {
    // A hard link never takes a name that exists; then the old name goes.
    if (link(from.c_str(), to.c_str()) != 0) {
        NoteFailure(to, errno);
        return false;
    }
    unlink(from.c_str());
    return true;
}

void LocalFileSystem::Remove(const std::string& path) { unlink(path.c_str()); }

}  // namespace tessera
