// The host mail client's plug-in API as a table of function pointers.
// Portable: the plug-in binds it from the host executable (shell/HostBinding);
// native tools and tests fill it with their own host implementation.
#pragma once

#include <cstddef>

// The host and its plug-ins talk with the Windows API calling convention.
#if defined(_WIN32)
#define TESSERA_HOSTCALL __stdcall
#else
#define TESSERA_HOSTCALL
#endif

namespace tessera {

using HostWindow = void*;  // HWND on Windows
using HostMenu = void*;    // HMENU on Windows

using CommandCallback = void(TESSERA_HOSTCALL*)(HostWindow window, long commandId);
using UiCallback = int(TESSERA_HOSTCALL*)(HostWindow window, long commandId);

// Signatures of the host functions the plug-in calls. All texts are NUL-terminated.
using FnRegisterCommand = int(TESSERA_HOSTCALL*)(const char* name, int flags, CommandCallback);
using FnRegisterUICallback = int(TESSERA_HOSTCALL*)(int commandId, UiCallback);
using FnGetNextMail = long(TESSERA_HOSTCALL*)(long start, char* idBuffer, int size, int mode);
using FnGetSource = char*(TESSERA_HOSTCALL*)(const char* id);
using FnGetCharSet = int(TESSERA_HOSTCALL*)(const char* id, char* buffer, int size);
using FnMimeHeader = char*(TESSERA_HOSTCALL*)(const char* text, char* scratch, int size, int flags);
using FnConvert = char*(TESSERA_HOSTCALL*)(const char* text, int flags);
using FnAlloc = void*(TESSERA_HOSTCALL*)(int size);
using FnFree = void(TESSERA_HOSTCALL*)(void* buffer);

constexpr int kHostFunctionCount = 54;

// The names in the order the plug-in binds them.
extern const char* const kHostFunctionNames[kHostFunctionCount];

struct HostApi {
    FnRegisterCommand RegisterCommand = nullptr;
    FnRegisterUICallback RegisterUICallback = nullptr;
    FnGetNextMail GetNextMail = nullptr;
    FnGetSource GetSource = nullptr;
    FnGetCharSet GetCharSet = nullptr;
    FnMimeHeader MIMEHeader = nullptr;
    FnConvert ISO_2022_JP = nullptr;
    FnConvert EUC_JP = nullptr;
    FnAlloc Alloc = nullptr;
    FnFree Free = nullptr;

    // Every bound entry, by position in kHostFunctionNames (also the unused ones).
    void* slots[kHostFunctionCount] = {};

    // Fills the typed members from `slots`.
    void AssignTypedEntries();
};

// Index of a name in kHostFunctionNames, or -1.
int HostFunctionIndex(const char* name);

}  // namespace tessera
