#include "platform/LocalFileSystem.h"

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "export/framing/FolderPath.h"
#include "platform/BackgroundWriter.h"

namespace tessera {

namespace {

constexpr DWORD kChunk = 0x40000000u;

// "ほかにハードリンクがあるため書き込みません"
const char kHardLinked[] =
    "\x82\xD9\x82\xA9\x82\xC9\x83n\x81[\x83h\x83\x8A\x83\x93\x83N\x82\xAA\x82\xA0\x82\xE9\x82\xBD"
    "\x82\xDF\x8F\x91\x82\xAB\x8D\x9E\x82\xDD\x82\xDC\x82\xB9\x82\xF1";
// "書き出した内容はすべて次のファイルにあります: "
const char kSavedIn[] =
    "\x8F\x91\x82\xAB\x8Fo\x82\xB5\x82\xBD\x93\xE0\x97"
    "e\x82\xCD\x82\xB7\x82\xD7\x82\xC4\x8E\x9F"
    "\x82\xCC\x83t\x83@\x83"
    "C\x83\x8B\x82\xC9\x82\xA0\x82\xE8\x82\xDC\x82\xB7: ";
constexpr int kSaveAttempts = 100;

// The last bytes (at most 4) of an open file of `length` bytes; the file
// pointer is left at its end.
std::string ReadTail(HANDLE handle, uint64_t length) {
    char bytes[4];
    DWORD count = length < sizeof bytes ? static_cast<DWORD>(length) : sizeof bytes;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(length - count);
    DWORD got = 0;
    bool ok = SetFilePointerEx(handle, at, nullptr, FILE_BEGIN) &&
              ReadFile(handle, bytes, count, &got, nullptr) && got == count;
    at.QuadPart = 0;
    SetFilePointerEx(handle, at, nullptr, FILE_END);
    return ok ? std::string(bytes, count) : std::string();
}

// Gives a complete new file whose move failed a name the next export's sweep
// leaves alone (`path` + ".tessera-saved", or with a number); the name it has
// now when none can be given.
std::string SaveAside(const std::string& temp, const std::string& path) {
    for (int number = 1; number < kSaveAttempts; ++number) {
        std::string saved = path + ".tessera-saved";
        if (number > 1) saved += "-" + std::to_string(number);
        if (MoveFileExA(temp.c_str(), saved.c_str(), MOVEFILE_WRITE_THROUGH)) return saved;
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    return temp;
}

// Writes all bytes; NO_ERROR or the system's error.
DWORD WriteAll(HANDLE handle, const char* data, size_t size) {
    while (size > 0) {
        DWORD chunk = size > kChunk ? kChunk : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(handle, data, chunk, &written, nullptr) || written != chunk) {
            DWORD error = GetLastError();
            return error != NO_ERROR ? error : ERROR_DISK_FULL;
        }
        data += chunk;
        size -= chunk;
    }
    return NO_ERROR;
}

class Win32Target : public TargetFile {
  public:
    // `temp` names the new file, moved over `path` on commit;
    // empty when `handle` is the target itself. `cuttable` is false for a device;
    // `flushEach` is false for a made name not looked at before (see Finish).
    // `background`: the replacement of a file, written by a thread of its own
    // (see PosixTarget): it fails whole, so a failure told late changes nothing.
    Win32Target(LocalFileSystem& files, HANDLE handle, std::string path, std::string temp,
                bool cuttable, bool flushEach = true, bool background = false)
        : TargetFile(temp.empty()),
          files_(files),
          handle_(handle),
          path_(std::move(path)),
          temp_(std::move(temp)),
          cuttable_(cuttable),
          flushEach_(flushEach) {
        if (background)
            writer_ = std::make_unique<BackgroundWriter>([handle](const char* data, size_t size) {
                return static_cast<int>(WriteAll(handle, data, size));
            });
    }
    ~Win32Target() override {
        Abort();
        writer_.reset();  // before the file it writes is closed
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    Win32Target(const Win32Target&) = delete;
    Win32Target& operator=(const Win32Target&) = delete;

    using TargetFile::Started;

  protected:
    bool Put(const char* data, size_t size) override {
        const int error =
            writer_ ? writer_->Put(data, size) : static_cast<int>(WriteAll(handle_, data, size));
        if (error != 0 && !told_) files_.NoteFailure(path_, error);
        told_ = told_ || (error != 0 && writer_);
        return error == 0;
    }

    bool CutTo(uint64_t length) override {
        if (writer_) writer_->Drain();  // its failure is told already, or by Finish
        if (!cuttable_) return false;
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(length);
        return SetFilePointerEx(handle_, at, nullptr, FILE_BEGIN) && SetEndOfFile(handle_);
    }

    bool Finish(bool keep) override {
        if (const int error = writer_ ? writer_->Drain() : 0; error != 0 && keep) {
            if (!told_) files_.NoteFailure(path_, error);
            Finish(false);
            return false;
        }
        if (!keep) {
            CloseHandle(handle_);
            handle_ = INVALID_HANDLE_VALUE;
            if (!temp_.empty()) DeleteFileA(temp_.c_str());
            return true;
        }
        // Flushed before the move, which is itself written through, so a
        // power cut leaves the old file or the whole new one. A new .eml
        // file that replaces nothing is moved unflushed: a power cut can
        // cost it, never what the user had.
        bool flush = cuttable_ && (temp_.empty() || flushEach_);
        DWORD error = flush && !FlushFileBuffers(handle_) ? GetLastError() : NO_ERROR;
        if (!CloseHandle(handle_) && error == NO_ERROR) error = GetLastError();
        handle_ = INVALID_HANDLE_VALUE;
        if (error == NO_ERROR && !temp_.empty() && !flushEach_ &&
            !MoveFileExA(temp_.c_str(), path_.c_str(), 0)) {
            // Found there after all: replaced the careful way.
            error = FlushByName();
            if (error == NO_ERROR) return Replace();
        }
        if (error != NO_ERROR) {
            files_.NoteFailure(path_, error);
            if (!temp_.empty()) DeleteFileA(temp_.c_str());
            return false;
        }
        return temp_.empty() || !flushEach_ || Replace();
    }

  private:
    // Flushes the closed new file; NO_ERROR or the error.
    DWORD FlushByName() {
        HANDLE handle = CreateFileA(temp_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_ARCHIVE, nullptr);
        DWORD error =
            handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle) ? NO_ERROR : GetLastError();
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
        return error;
    }

    // Moves the flushed new file over the target; a complete file that
    // cannot be moved stays, and the user is told where.
    bool Replace() {
        if (MoveFileExA(temp_.c_str(), path_.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
        DWORD error = GetLastError();
        std::string saved = SaveAside(temp_, path_);
        files_.NoteFailure(path_, LocalFileSystem::SystemReason(error) + " " + kSavedIn + saved);
        return false;
    }

    LocalFileSystem& files_;
    HANDLE handle_;
    std::string path_;
    std::string temp_;
    bool cuttable_;
    bool flushEach_;
    std::unique_ptr<BackgroundWriter> writer_;
    bool told_ = false;  // the writer's failure is noted: it repeats it on every call
};

// Opens `path` (an existing regular file) and positions at its end.
HANDLE OpenAtEnd(const std::string& path, uint64_t& length, std::string& tail) {
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_ARCHIVE, nullptr);
    LARGE_INTEGER size;
    if (handle == INVALID_HANDLE_VALUE) return handle;
    if (!GetFileSizeEx(handle, &size)) {
        DWORD error = GetLastError();
        CloseHandle(handle);
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    length = static_cast<uint64_t>(size.QuadPart);
    tail = ReadTail(handle, length);
    return handle;
}

// Appends in place, where no new file can be made beside the target: a
// failed message is cut back, but a killed process can leave a torn one.
std::unique_ptr<TargetFile> OpenInPlace(LocalFileSystem& files, const std::string& path) {
    uint64_t length = 0;
    std::string tail;
    HANDLE handle = OpenAtEnd(path, length, tail);
    if (handle == INVALID_HANDLE_VALUE) {
        files.NoteFailure(path, static_cast<int>(GetLastError()));
        return nullptr;
    }
    auto target = std::make_unique<Win32Target>(files, handle, path, std::string(), true);
    target->Started(length, tail);
    return target;
}

// Names of new files beside targets ("tes" and six hex digits), and how many
// are tried before giving up.
constexpr unsigned kTempNames = 0xFFFFFF;
constexpr unsigned kTempAttempts = 0x10000;

// The folder part of `path`, with its separator, as the system finds it (it
// knows where a double-byte name's bytes end); false with the error set.
bool FolderOf(const std::string& path, std::string& folder) {
    std::vector<char> full(32768);
    char* name = nullptr;
    DWORD length =
        GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), &name);
    if (length == 0 || length >= full.size() || !name) {
        if (length != 0) SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    folder.assign(full.data(), static_cast<size_t>(name - full.data()));
    return true;
}

// True for a name CreateBeside makes: "tes", six hex digits, ".tmp".
bool IsTempName(const char* name) {
    if (std::strlen(name) != 13 || std::strncmp(name, "tes", 3) != 0 ||
        lstrcmpiA(name + 9, ".tmp") != 0) {
        return false;
    }
    for (int i = 3; i < 9; ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(name[i]))) return false;
    }
    return true;
}

// Makes a new empty file, open for writing, in `folder`; its name in `temp`.
// INVALID_HANDLE_VALUE with the error set when none can be made.
HANDLE CreateBeside(const std::string& folder, std::string& temp) {
    // Made and kept open in one call, under a name too long for 8.3: under
    // Wine each lookup of a name not yet there reads the whole folder (which
    // an export of many files fills), comparing the short names of all its
    // files too when the name could be one. Shared for reading only, so a
    // sweep cannot take it while it is written.
    static LONG next = static_cast<LONG>(GetTickCount());
    for (unsigned attempt = 0; attempt < kTempAttempts; ++attempt) {
        unsigned number = static_cast<unsigned>(InterlockedIncrement(&next)) % kTempNames + 1;
        char file[16];
        std::snprintf(file, sizeof file, "tes%06X.tmp", number);
        temp = folder + file;
        HANDLE handle = CreateFileA(temp.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_ARCHIVE, nullptr);
        if (handle != INVALID_HANDLE_VALUE) return handle;
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return handle;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

// A new file in the target's folder, moved over the target on commit: an
// append starts as a copy of the old content, a replacement empty. So the
// target is never seen half written, even by a process that was killed.
std::unique_ptr<TargetFile> OpenBeside(LocalFileSystem& files, const std::string& path, bool exists,
                                       TargetMode mode) {
    std::string folder, temp;
    bool append = exists && mode == TargetMode::Append;
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (FolderOf(path, folder)) {
        files.SweepOnce(folder);
        handle = CreateBeside(folder, temp);
    }
    if (handle == INVALID_HANDLE_VALUE) {
        if (append) return OpenInPlace(files, path);
        files.NoteFailure(path, static_cast<int>(GetLastError()));
        return nullptr;
    }
    uint64_t length = 0;
    std::string tail;
    if (append) {
        CloseHandle(handle);
        handle = CopyFileA(path.c_str(), temp.c_str(), FALSE) ? OpenAtEnd(temp, length, tail)
                                                              : INVALID_HANDLE_VALUE;
    }
    if (handle == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        DeleteFileA(temp.c_str());
        // No room for a copy: the old file grows in place.
        if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL) {
            return OpenInPlace(files, path);
        }
        files.NoteFailure(path, static_cast<int>(error));
        return nullptr;
    }
    // Only the many small files of one run are moved unflushed.
    const bool flushEach = exists || mode != TargetMode::NewName;
    auto target = std::make_unique<Win32Target>(files, handle, path, temp, true, flushEach,
                                                exists && mode == TargetMode::Replace);
    target->Started(length, tail);
    return target;
}

}  // namespace

bool LocalFileSystem::Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::unique_ptr<TargetFile> LocalFileSystem::Open(const std::string& path, TargetMode mode) {
    // A made name is mostly new, and its look would cost as much as making the
    // file (see CreateBeside); a folder of that name fails the move on commit.
    if (mode == TargetMode::NewName) return OpenBeside(*this, path, false, mode);
    // What is there decides: a device (CON, NUL, a pipe) is written as it is.
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_ARCHIVE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return OpenBeside(*this, path, false, mode);
        DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            error = ERROR_DIRECTORY;
        }
        NoteFailure(path, static_cast<int>(error));
        return nullptr;
    }
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        return std::make_unique<Win32Target>(*this, handle, path, std::string(), false);
    }
    // A read-only file is the user's to keep (the system may let the open
    // through, as Wine does for root); a new file moved over one name would
    // part it from the file's other names.
    BY_HANDLE_FILE_INFORMATION info = {};
    bool known = GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    if (known && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) {
        NoteFailure(path, ERROR_ACCESS_DENIED);
        return nullptr;
    }
    if (known && info.nNumberOfLinks > 1) {
        NoteFailure(path, std::string(kHardLinked));
        return nullptr;
    }
    return OpenBeside(*this, path, true, mode);
}

// No call flushes a whole folder without administrator rights: the system
// writes the new files in its own time.
LocalFileSystem::~LocalFileSystem() = default;

void LocalFileSystem::SyncAtEnd(const std::string&) {}

// Every replacement was flushed and moved at its commit.
int LocalFileSystem::FinishRun() { return 0; }

void LocalFileSystem::SweepOnce(const std::string& folder) {
    if (!swept_.insert(folder).second) return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "tes*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!IsTempName(found.cFileName) || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        // Opened alone and gone when closed; a file an export still writes
        // is shared with no one who would delete it, and stays.
        HANDLE leftover =
            CreateFileA((folder + found.cFileName).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (leftover != INVALID_HANDLE_VALUE) CloseHandle(leftover);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

bool LocalFileSystem::IsPathOfThisSystem(const std::string&) { return true; }

std::string LocalFileSystem::AsFolder(const std::string& path) { return FolderWithSeparator(path); }

size_t LocalFileSystem::MaxPathBytes() const { return MAX_PATH - 1; }

std::string LocalFileSystem::TakeFailure() {
    std::string failure;
    failure.swap(failure_);
    return failure;
}

void LocalFileSystem::NoteFailure(const std::string& path, int error) {
    NoteFailure(path, SystemReason(static_cast<DWORD>(error)));
}

void LocalFileSystem::NoteFailure(const std::string& path, const std::string& reason) {
    failure_ = path + ": " + reason;
}

std::string LocalFileSystem::SystemReason(unsigned long error) {
    char* text = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string reason =
        length && text ? std::string(text, length) : "error " + std::to_string(error);
    if (text) LocalFree(text);
    while (!reason.empty() &&
           (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
        reason.pop_back();
    return reason;
}

bool LocalFileSystem::SetFileTime(const std::string& path, int64_t utcSeconds) {
    // FILETIME counts 100 ns steps from 1601-01-01, 11644473600 s before 1970.
    constexpr int64_t kSecondsFrom1601 = 11644473600;
    if (utcSeconds < -kSecondsFrom1601) {
        NoteFailure(path, ERROR_INVALID_PARAMETER);
        return false;
    }
    const uint64_t ticks = static_cast<uint64_t>(utcSeconds + kSecondsFrom1601) * 10000000u;
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    HANDLE handle = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        NoteFailure(path, static_cast<int>(GetLastError()));
        return false;
    }
    const bool ok = ::SetFileTime(handle, &time, nullptr, &time) != FALSE;
    const DWORD error = GetLastError();
    CloseHandle(handle);
    if (!ok) NoteFailure(path, static_cast<int>(error));
    return ok;
}

bool LocalFileSystem::MakeFolder(const std::string& path) {
    if (CreateDirectoryA(path.c_str(), nullptr)) return true;
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    NoteFailure(path, static_cast<int>(error));
    return false;
}

bool LocalFileSystem::Move(const std::string& from, const std::string& to) {
    // Without MOVEFILE_REPLACE_EXISTING a name that exists is never taken.
    if (MoveFileExA(from.c_str(), to.c_str(), 0)) return true;
    NoteFailure(to, static_cast<int>(GetLastError()));
    return false;
}

void LocalFileSystem::Remove(const std::string& path) { DeleteFileA(path.c_str()); }

}  // namespace tessera
