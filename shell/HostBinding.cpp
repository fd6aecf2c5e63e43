#include "shell/HostBinding.h"

#include <windows.h>

namespace tessera {

namespace {
HostApi g_host;
HMODULE g_hostModule = nullptr;
}  // namespace

bool BindHost() {
    if (g_hostModule) return true;
    HMODULE module = GetModuleHandleA(nullptr);
    if (!module) return false;
    HostApi bound;
    for (int i = 0; i < kHostFunctionCount; ++i) {
        FARPROC entry = GetProcAddress(module, kHostFunctionNames[i]);
        if (!entry) return false;
        bound.slots[i] = reinterpret_cast<void*>(entry);
    }
    bound.AssignTypedEntries();
    g_host = bound;
    g_hostModule = module;
    return true;
}

const HostApi& Host() { return g_host; }

}  // namespace tessera
