#include "platform/LocalFileSystem.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "export/ShiftJisText.h"

namespace tessera {

namespace {

constexpr DWORD kChunk = 0x40000000u;

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

class Win32Target : public TargetFile {
  public:
    // `temp` names the new file, moved over `path` on commit;
    // empty when `handle` is the target itself. `cuttable` is false for a device.
    Win32Target(LocalFileSystem& files, HANDLE handle, std::string path, std::string temp,
                bool cuttable)
        : TargetFile(temp.empty()),
          files_(files),
          handle_(handle),
          path_(std::move(path)),
          temp_(std::move(temp)),
          cuttable_(cuttable) {}
    ~Win32Target() override {
        Abort();
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    Win32Target(const Win32Target&) = delete;
    Win32Target& operator=(const Win32Target&) = delete;

    using TargetFile::Started;

  protected:
    bool Put(const char* data, size_t size) override {
        while (size > 0) {
            DWORD chunk = size > kChunk ? kChunk : static_cast<DWORD>(size);
            DWORD written = 0;
            if (!WriteFile(handle_, data, chunk, &written, nullptr) || written != chunk) {
                DWORD error = GetLastError();
                files_.NoteFailure(path_, error != NO_ERROR ? error : ERROR_DISK_FULL);
                return false;
            }
            data += chunk;
            size -= chunk;
        }
        return true;
    }

    bool CutTo(uint64_t length) override {
        if (!cuttable_) return false;
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(length);
        return SetFilePointerEx(handle_, at, nullptr, FILE_BEGIN) && SetEndOfFile(handle_);
    }

    bool Finish(bool keep) override {
        DWORD error = CloseHandle(handle_) ? NO_ERROR : GetLastError();
        handle_ = INVALID_HANDLE_VALUE;
        if (temp_.empty()) {
            if (keep && error != NO_ERROR) files_.NoteFailure(path_, error);
            return error == NO_ERROR || !keep;
        }
        if (keep && error == NO_ERROR) {
            if (MoveFileExA(temp_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
            error = GetLastError();
        }
        if (keep) files_.NoteFailure(path_, error);
        DeleteFileA(temp_.c_str());
        return false;
    }

  private:
    LocalFileSystem& files_;
    HANDLE handle_;
    std::string path_;
    std::string temp_;
    bool cuttable_;
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

// Makes a new empty file, open for writing, in the folder of `path`; its name
// in `temp`. INVALID_HANDLE_VALUE with the error set when none can be made.
HANDLE CreateBeside(const std::string& path, std::string& temp) {
    // The system finds the folder part; it knows where a double-byte name's bytes end.
    std::vector<char> full(32768);
    char* name = nullptr;
    DWORD length =
        GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), &name);
    if (length == 0 || length >= full.size() || !name) {
        if (length != 0) SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return INVALID_HANDLE_VALUE;
    }
    std::string folder(full.data(), static_cast<size_t>(name - full.data()));
    // Made and kept open in one call, under a name too long for 8.3: under
    // Wine each lookup of a name not yet there reads the whole folder (which
    // an export of many files fills), comparing the short names of all its
    // files too when the name could be one.
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
    std::string temp;
    bool append = exists && mode == TargetMode::Append;
    HANDLE handle = CreateBeside(path, temp);
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
        files.NoteFailure(path, static_cast<int>(GetLastError()));
        DeleteFileA(temp.c_str());
        return nullptr;
    }
    auto target = std::make_unique<Win32Target>(files, handle, path, temp, true);
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
    CloseHandle(handle);
    return OpenBeside(*this, path, true, mode);
}

bool LocalFileSystem::IsPathOfThisSystem(const std::string&) { return true; }

std::string LocalFileSystem::AsFolder(const std::string& path) {
    if (!path.empty() && (path.back() == '/' || EndsInBackslash(path))) return path;
    return path + '\\';
}

size_t LocalFileSystem::MaxPathBytes() const { return MAX_PATH - 1; }

std::string LocalFileSystem::TakeFailure() {
    std::string failure;
    failure.swap(failure_);
    return failure;
}

void LocalFileSystem::NoteFailure(const std::string& path, int error) {
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
    failure_ = path + ": " + reason;
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
