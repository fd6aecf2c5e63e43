#include "platform/LocalFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "export/framing/FolderPath.h"
#include "platform/BackgroundWriter.h"

namespace tessera {

namespace {

constexpr int kTempAttempts = 100;
// How much a target writes before the disk is set writing it (StartWriteBack).
constexpr uint64_t kWriteBackBytes = 8 << 20;

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

// Makes a rename in `folder` (as FolderOf gives it) survive a power cut.
void SyncFolder(const std::string& folder) {
    int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    // Some file systems cannot sync a folder; the rename itself has been done.
    fsync(fd);
    close(fd);
}

// Gives a complete new file whose rename failed a name the next export's
// sweep leaves alone (`final` + ".tessera-saved", or with a number); the name
// it has now when none can be given.
std::string SaveAside(const std::string& temp, const std::string& final) {
    for (int number = 1; number < kTempAttempts; ++number) {
        std::string saved = final + ".tessera-saved";
        if (number > 1) saved += "-" + std::to_string(number);
        if (link(temp.c_str(), saved.c_str()) == 0) {
            unlink(temp.c_str());
            return saved;
        }
        if (errno != EEXIST) break;
    }
    return temp;
}

class PosixTarget : public TargetFile {
  public:
    // `temp` names the new file of a replacement, renamed to `final` on commit;
    // empty when `fd` is the target itself. `cuttable` is false for a stream;
    // `flushEach` is false for a made name (an .eml file): its flush is the
    // run's, shared with the others (LocalFileSystem::FinishRun).
    // `background`: written by a thread of its own while the export makes the
    // next bytes (the replacement of a file, one large file a run). A failure
    // may then be told only by a later write or by Commit: such a replacement
    // that fails anywhere fails whole, and the old file stays. An append or a
    // new file keeps the messages that fitted, so it learns of a failure at
    // once.
    PosixTarget(LocalFileSystem& files, int fd, std::string shown, std::string temp,
                std::string final, bool cuttable, bool flushEach = true, bool background = false)
        : TargetFile(temp.empty()),
          files_(files),
          fd_(fd),
          shown_(std::move(shown)),
          temp_(std::move(temp)),
          final_(std::move(final)),
          cuttable_(cuttable),
          flushEach_(flushEach) {
        if (background)
            writer_ = std::make_unique<BackgroundWriter>(
                [fd = fd_](const char* data, size_t size) { return WriteAll(fd, data, size); });
    }
    ~PosixTarget() override {
        Abort();
        writer_.reset();  // before the file it writes is closed
        if (fd_ >= 0) close(fd_);
    }
    PosixTarget(const PosixTarget&) = delete;
    PosixTarget& operator=(const PosixTarget&) = delete;

    using TargetFile::Started;

  protected:
    bool Put(const char* data, size_t size) override {
        int error = writer_ ? writer_->Put(data, size) : WriteAll(fd_, data, size);
        if (error != 0 && !told_) files_.NoteFailure(shown_, error);
        told_ = told_ || (error != 0 && writer_);
        unsent_ += size;
        if (unsent_ >= kWriteBackBytes) StartWriteBack();
        return error == 0;
    }

    // Writes go to the end (O_APPEND, or a new file written in order).
    bool CutTo(uint64_t length) override {
        if (writer_) writer_->Drain();  // its failure is told already, or by Finish
        return cuttable_ && ftruncate(fd_, static_cast<off_t>(length)) == 0 &&
               lseek(fd_, 0, SEEK_END) >= 0;
    }

    bool Finish(bool keep) override {
        if (const int error = writer_ ? writer_->Drain() : 0; error != 0 && keep) {
            if (!told_) files_.NoteFailure(shown_, error);
            Finish(false);
            return false;
        }
        if (!keep) {
            close(fd_);
            fd_ = -1;
            if (!temp_.empty()) unlink(temp_.c_str());
            return true;
        }
        StartWriteBack();
        if (temp_.empty() || flushEach_) return PlaceFlushed();
        bool placed = false;
        if (PlaceUnflushed(placed)) return placed;
        // A file is there: the new one waits, whole and open, for the run's
        // flush before it is renamed over it.
        files_.HoldForFlush(fd_, temp_, final_, shown_);
        fd_ = -1;
        return true;
    }

  private:
    // A new .eml file that replaces nothing goes in place unflushed: a power
    // cut can cost it, never what the user had; the run syncs its folders
    // once at its end. False, with nothing done, when a file is there; else
    // `placed` tells whether it is in place.
    bool PlaceUnflushed(bool& placed) {
        if (renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, final_.c_str(), RENAME_NOREPLACE) != 0)
            return false;
        int error = close(fd_) == 0 ? 0 : errno;
        fd_ = -1;
        placed = error == 0;
        if (placed) {
            files_.SyncAtEnd(FolderOf(final_));
        } else {
            unlink(final_.c_str());  // its bytes may never have reached the disk
            files_.NoteFailure(shown_, error);
        }
        return true;
    }

    // Flushed before the rename, so a power cut leaves the old file or the
    // whole new one; a failed close can mean lost data on some file systems.
    // Either fails the commit.
    bool PlaceFlushed() {
        int error = cuttable_ && fdatasync(fd_) != 0 ? errno : 0;
        if (close(fd_) != 0 && error == 0) error = errno;
        fd_ = -1;
        if (error != 0) {
            files_.NoteFailure(shown_, error);
            if (!temp_.empty()) unlink(temp_.c_str());
            return false;
        }
        if (temp_.empty()) return true;
        if (rename(temp_.c_str(), final_.c_str()) == 0) {
            SyncFolder(FolderOf(final_));
            return true;
        }
        // The new content is complete: it stays, and the user is told where.
        error = errno;
        std::string saved = SaveAside(temp_, final_);
        files_.NoteFailure(
            shown_, LocalFileSystem::SystemReason(error) + "; the complete export is in " + saved);
        return false;
    }

    // Starts the disk writing what is written so far, without waiting: the
    // flush before a rename, or the run's at its end, then finds little left.
    void StartWriteBack() {
        unsent_ = 0;
        if (cuttable_) sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
    }

    LocalFileSystem& files_;
    int fd_;
    std::string shown_;  // the path as the user gave it
    std::string temp_;
    std::string final_;
    bool cuttable_;
    bool flushEach_;
    std::unique_ptr<BackgroundWriter> writer_;
    bool told_ = false;    // the writer's failure is noted: it repeats it on every call
    uint64_t unsent_ = 0;  // bytes written since the disk was last set writing
};

// A device or pipe: written as it is, never created, emptied or removed.
// Opened without waiting, so a pipe that no one reads is told, not waited on.
std::unique_ptr<TargetFile> OpenStream(LocalFileSystem& files, const std::string& path) {
    int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENXIO) {
            files.NoteFailure(path, "a pipe that no process reads; nothing written");
        } else {
            files.NoteFailure(path, errno);
        }
        return nullptr;
    }
    // Written as usual from here: a slow reader is waited for.
    int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
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

constexpr char kTempPrefix[] = ".tessera-";
constexpr char kTempSuffix[] = ".tmp";

// Creates a new file beside `final` with the permissions of `old` (when there
// is one); its name in `temp`. -1 with errno set when none can be made. The
// file is locked while it is open: a sweep on another machine sharing the
// folder sees that it is in use.
int CreateBeside(const std::string& final, const struct stat* old, std::string& temp) {
    std::string prefix = FolderOf(final) + kTempPrefix + std::to_string(getpid()) + "-";
    static unsigned counter = 0;
    for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
        temp = prefix + std::to_string(++counter) + kTempSuffix;
        int fd = open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return -1;
        flock(fd, LOCK_EX | LOCK_NB);
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

// The process id in a name CreateBeside made; 0 for any other name.
pid_t TempOwner(const char* name) {
    unsigned long pid = 0, number = 0;
    int end = 0;
    if (std::sscanf(name, ".tessera-%lu-%lu.tmp%n", &pid, &number, &end) != 2 ||
        name[end] != '\0' || pid == 0 || pid > INT_MAX) {
        return 0;
    }
    return static_cast<pid_t>(pid);
}

// Removes the new files an export killed outright left in `folder`: those of
// a process that no longer runs and that no one holds locked.
void SweepLeftovers(const std::string& folder) {
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return;
    while (const dirent* entry = readdir(dir)) {
        pid_t owner = TempOwner(entry->d_name);
        if (owner == 0 || owner == getpid() || kill(owner, 0) == 0 || errno != ESRCH) continue;
        std::string path = folder + entry->d_name;
        int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat info;
        if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0) {
            unlink(path.c_str());
        }
        close(fd);
    }
    closedir(dir);
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
    files.SweepOnce(FolderOf(final));
    std::string temp;
    int fd = CreateBeside(final, old, temp);
    const bool append = old && mode == TargetMode::Append;
    if (fd < 0) {
        int error = errno;
        if (append) return OpenInPlace(files, path);
        files.NoteFailure(path, error);
        return nullptr;
    }
    // Only the many small files of one run wait for one flush at its end.
    const bool flushEach = mode != TargetMode::NewName;
    auto target = std::make_unique<PosixTarget>(files, fd, path, temp, final, true, flushEach,
                                                old && mode == TargetMode::Replace);
    if (!append) return target;
    int source = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    int error = source < 0 ? errno : CopyContent(source, fd);
    struct stat copied;
    if (error == 0 && fstat(fd, &copied) != 0) error = errno;
    if (source >= 0) close(source);
    if (error == ENOSPC || error == EDQUOT) {
        // No room for a copy: the partial one goes, the old file grows in place.
        target.reset();
        return OpenInPlace(files, path);
    }
    if (error != 0) {
        files.NoteFailure(path, error);
        return nullptr;  // the target's destructor removes the partial copy
    }
    uint64_t length = static_cast<uint64_t>(copied.st_size);
    target->Started(length, ReadTail(fd, length));
    return target;
}

// Why a regular file the user named cannot be written over: not theirs to
// write, or one of several names of the file (a new file renamed over one
// name would part it from the others, and writing it in place could tear
// them all). Empty when it can.
std::string RefusalOf(const std::string& path, const struct stat& info) {
    if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return std::strerror(errno);
    if (info.st_nlink > 1) {
        return "has " + std::to_string(info.st_nlink - 1) +
               " other hard link(s); not written, so that they stay one file";
    }
    return std::string();
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
    std::string refusal = RefusalOf(path, info);
    if (!refusal.empty()) {
        NoteFailure(path, refusal);
        return nullptr;
    }
    return OpenBeside(*this, path, &info, mode);
}

LocalFileSystem::~LocalFileSystem() { FinishRun(); }

int LocalFileSystem::FinishRun() {
    int unplaced = PlaceHeld();
    for (const std::string& folder : unsynced_) {
        int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) continue;
        // One flush of the file system for all the new files of the run.
        syncfs(fd);
        close(fd);
    }
    unsynced_.clear();
    return unplaced;
}

void LocalFileSystem::SyncAtEnd(const std::string& folder) { unsynced_.insert(folder); }

void LocalFileSystem::HoldForFlush(int fd, const std::string& temp, const std::string& final,
                                   const std::string& shown) {
    held_.push_back(HeldFile{fd, temp, final, shown});
    // Each keeps a descriptor (and its lock, against a sweep): a long run
    // places them in batches, well within the descriptors a process has.
    if (held_.size() >= kHeldFiles) heldUnplaced_ += PlaceHeld();
}

int LocalFileSystem::PlaceHeld() {
    // One flush of each file system for all of them; where that fails, each
    // is flushed alone, so that a failure is told with the file it concerns.
    std::set<dev_t> flushed, failed;
    for (const HeldFile& file : held_) {
        struct stat info;
        if (fstat(file.fd, &info) != 0 || flushed.count(info.st_dev) || failed.count(info.st_dev)) {
            continue;
        }
        (syncfs(file.fd) == 0 ? flushed : failed).insert(info.st_dev);
    }
    int unplaced = heldUnplaced_;
    heldUnplaced_ = 0;
    std::set<std::string> folders;
    for (const HeldFile& file : held_) {
        struct stat info;
        bool synced = fstat(file.fd, &info) == 0 && flushed.count(info.st_dev);
        int error = synced || fdatasync(file.fd) == 0 ? 0 : errno;
        // Closed once renamed: its lock keeps a sweep from elsewhere off it till then.
        struct Closer {
            int fd;
            ~Closer() { close(fd); }
        } closer{file.fd};
        if (error != 0) {
            // Its bytes may not be on the disk: the old file stays.
            unlink(file.temp.c_str());
            NoteFailure(file.shown, error);
            ++unplaced;
        } else if (rename(file.temp.c_str(), file.final.c_str()) == 0) {
            folders.insert(FolderOf(file.final));
        } else {
            error = errno;
            std::string saved = SaveAside(file.temp, file.final);
            NoteFailure(file.shown, SystemReason(error) + "; the complete export is in " + saved);
            ++unplaced;
        }
    }
    held_.clear();
    for (const std::string& folder : folders) SyncFolder(folder);
    return unplaced;
}

void LocalFileSystem::SweepOnce(const std::string& folder) {
    if (swept_.insert(folder).second) SweepLeftovers(folder);
}

std::string LocalFileSystem::AsFolder(const std::string& path) {
    return FolderWithSeparator(path, '/');
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
    NoteFailure(path, SystemReason(static_cast<unsigned long>(error)));
}

void LocalFileSystem::NoteFailure(const std::string& path, const std::string& reason) {
    failure_ = path + ": " + reason;
}

std::string LocalFileSystem::SystemReason(unsigned long error) {
    return std::strerror(static_cast<int>(error));
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
    // A replacement waiting for the run's one flush is dated under its hidden
    // name: the rename that puts it in place keeps the time.
    for (const HeldFile& file : held_) {
        if (file.final != path) continue;
        if (futimens(file.fd, times) == 0) return true;
        NoteFailure(path, errno);
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
