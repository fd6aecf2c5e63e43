#include "mailstore/NativePath.h"

#include <windows.h>

namespace tessera {

// The C library's own conversion follows its locale, not the ANSI code page
// that fopen and the -A functions use: convert explicitly.
std::filesystem::path ToFsPath(const std::string& path) {
    int size = static_cast<int>(path.size());
    int length = MultiByteToWideChar(CP_ACP, 0, path.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.data(), size, &wide[0], length);
    return std::filesystem::path(wide);
}

std::string FromFsPath(const std::filesystem::path& path) {
    const std::wstring& wide = path.native();
    int size = static_cast<int>(wide.size());
    int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), size, &narrow[0], length, nullptr, nullptr);
    return narrow;
}

}  // namespace tessera
