// The module's entry point and the four callbacks the host calls by name.
// Nothing thrown may cross into the host: every entry catches all.
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>

#include "dialogs/ResourceModule_win.h"
#include "resources/PluginInfo.h"
#include "resources/resource.h"
#include "shell/ExportPlugin.h"
#include "shell/HostBinding.h"
#include "shell/Win32ExportPlatform.h"

using namespace tessera;

namespace {

std::unique_ptr<ExportPlugin> g_plugin;
// BKC_OnExit came while an export ran: the object goes when the export has stopped.
bool g_exitPending = false;

void DestroyPlugin() {
    try {
        g_plugin.reset();
    } catch (...) {
        g_plugin.release();
    }
}

// Whatever escaped a command (memory running out, most likely) is told with
// message 500, not swallowed.
void TellFailure(HWND window) { Win32ExportPlatform().ShowMessage(window, IDS_WRITE_ERROR); }

void WINAPI OnCommand(HostWindow window, long commandId) {
    try {
        if (g_plugin) g_plugin->OnCommand(static_cast<HWND>(window), commandId);
    } catch (...) {
        TellFailure(static_cast<HWND>(window));
    }
    if (g_exitPending && g_plugin && !g_plugin->Exporting()) {
        g_exitPending = false;
        DestroyPlugin();
    }
}

int WINAPI OnUpdateUI(HostWindow, long commandId) {
    try {
        return g_plugin ? g_plugin->OnUpdateUI(commandId) : 0;
    } catch (...) {
        return 0;
    }
}

void CopyInfoField(char* record, int index, const char* text) {
    char* field = record + index * kInfoFieldSize;
    std::strncpy(field, text, kInfoFieldSize - 1);
    field[kInfoFieldSize - 1] = '\0';
}

int MenuInit(HWND, HMENU menu) {
    HMENU subMenu = GetSubMenu(menu, 0);
    const HostApi& host = Host();
    // Named as their menu items are captioned. The names live as long as the
    // module, as literals would: the host may keep the pointers.
    static const std::string askName = LoadText(IDS_ASK_FORMAT_CAPTION);
    static const std::string storedName = LoadText(IDS_STORED_FORMAT_CAPTION);
    int ask = host.RegisterCommand(askName.c_str(), 0, OnCommand);
    int stored = host.RegisterCommand(storedName.c_str(), 0, OnCommand);
    host.RegisterUICallback(stored, OnUpdateUI);
    host.RegisterUICallback(ask, OnUpdateUI);
    g_plugin = std::make_unique<ExportPlugin>(ask, stored, subMenu);
    g_plugin->InsertMenuItems();
    return 0;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    SetResourceModule(instance);
    if (!BindHost()) return FALSE;
    DisableThreadLibraryCalls(instance);
    return TRUE;
}

int WINAPI BKC_OnPlugInInfo(char* record) {
    if (!record) return 0;
    CopyInfoField(record, 0, kPluginTitle);
    CopyInfoField(record, 1, kPluginAuthor);
    CopyInfoField(record, 2, kPluginVersion);
    CopyInfoField(record, 3, kPluginDescription);
    return 0;
}

int WINAPI BKC_OnMenuInit(HWND window, HMENU menu, int kind) {
    if (kind != 0) return 0;
    try {
        return MenuInit(window, menu);
    } catch (...) {
        return 0;
    }
}

int WINAPI BKC_OnPlugInSetup(HWND) {
    if (!g_plugin) return 0;
    try {
        g_plugin->Setup();
    } catch (...) {
        TellFailure(GetActiveWindow());
    }
    return 1;
}

int WINAPI BKC_OnExit() {
    if (g_plugin && g_plugin->Exporting()) {
        // Its export pumps messages and is on the stack: stop it, destroy later.
        g_plugin->StopExport();
        g_exitPending = true;
        return 0;
    }
    DestroyPlugin();
    return 0;
}

}  // extern "C"
