#include "dialogs/ResourceModule_win.h"

namespace tessera {

namespace {
HINSTANCE g_module = nullptr;
}

HINSTANCE ResourceModule() { return g_module; }

void SetResourceModule(HINSTANCE module) { g_module = module; }

std::string LoadText(int id) {
    char buffer[1024];
    int length = LoadStringA(g_module, static_cast<UINT>(id), buffer, sizeof buffer);
    return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

}  // namespace tessera
