#include "shell/PluginModule.h"

#include <windows.h>

#include "dialogs/ResourceModule_win.h"

namespace tessera {

std::string ModulePath() {
    char buffer[MAX_PATH + 1] = {};
    DWORD length = GetModuleFileNameA(ResourceModule(), buffer, MAX_PATH);
    return std::string(buffer, length);
}

}  // namespace tessera
