#include "tools/cli/ProtectedFiles.h"

#include <windows.h>
#include <io.h>

namespace tessera {

namespace {

bool IdentityOfHandle(HANDLE handle, std::pair<uint64_t, uint64_t>& identity) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info)) return false;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    identity = {info.dwVolumeSerialNumber,
                (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    return true;
}

}  // namespace

bool ProtectedFiles::IdentityOf(const std::string& path, Identity& identity) {
    HANDLE handle = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    bool ok = IdentityOfHandle(handle, identity);
    CloseHandle(handle);
    return ok;
}

bool ProtectedFiles::IdentityOfOpen(int fd, Identity& identity) {
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    return handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_DISK &&
           IdentityOfHandle(handle, identity);
}

}  // namespace tessera
