#include "shell/PluginModule.h"

namespace tessera {

namespace {
HINSTANCE g_instance = nullptr;
}

HINSTANCE PluginInstance() { return g_instance; }

void SetPluginInstance(HINSTANCE instance) { g_instance = instance; }

std::string LoadText(int id) {
    char buffer[1024];
    int length = LoadStringA(g_instance, static_cast<UINT>(id), buffer, sizeof buffer);
    return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

std::string ModulePath() {
    char buffer[MAX_PATH + 1] = {};
    DWORD length = GetModuleFileNameA(g_instance, buffer, MAX_PATH);
    return std::string(buffer, length);
}

}  // namespace tessera
