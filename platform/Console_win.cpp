#include "platform/Console.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <vector>

namespace tessera {

namespace {

// The console's output code page; the ANSI one when there is no console.
UINT ConsoleCodePage() {
    UINT codePage = GetConsoleOutputCP();
    return codePage != 0 ? codePage : GetACP();
}

std::string Recode(const std::string& text, UINT from, UINT to) {
    if (text.empty() || from == to) return text;
    int wide = MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::vector<wchar_t> utf16(static_cast<size_t>(wide) + 1);
    MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), utf16.data(), wide);
    int bytes = WideCharToMultiByte(to, 0, utf16.data(), wide, nullptr, 0, "?", nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(to, 0, utf16.data(), wide, &out[0], bytes, "?", nullptr);
    return out;
}

}  // namespace

bool IsTerminal(FILE* stream) {
    DWORD mode = 0;
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

std::string SystemToConsole(const std::string& text) {
    return Recode(text, GetACP(), ConsoleCodePage());
}

void UseBinaryStandardStreams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace tessera
