// The module's entry point and the four callbacks the host calls by name.
// Nothing thrown may cross into the host: every entry catches all.
#include <windows.h>

#include <cstring>
#include <memory>

#include "shell/ExportPlugin.h"
#include "shell/HostBinding.h"
#include "resources/PluginInfo.h"
#include "dialogs/ResourceModule_win.h"

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

void WINAPI OnCommand(HostWindow window, long commandId) {
    try {
        if (g_plugin) g_plugin->OnCommand(static_cast<HWND>(window), commandId);
    } catch (...) {
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

int MenuInit(HWND window, HMENU menu) {
    HMENU subMenu = GetSubMenu(menu, 0);
    const HostApi& host = Host();
    // "ShiftJISでエクスポート" and "登録形式でエクスポート" in Shift-JIS.
    int ask = host.RegisterCommand("ShiftJIS\x82\xC5\x83G\x83N\x83X\x83|\x81[\x83g", 0, OnCommand);
    int stored = host.RegisterCommand(
        "\x93o\x98^\x8C`\x8E\xAE\x82\xC5\x83G\x83N\x83X\x83|\x81[\x83g", 0, OnCommand);
    host.RegisterUICallback(stored, OnUpdateUI);
    host.RegisterUICallback(ask, OnUpdateUI);
    g_plugin = std::make_unique<ExportPlugin>(ask, window, stored, subMenu);
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
