// The window side of the simulated host: its main window and menu, the
// plug-in module it loads, and the commands and UI callbacks the plug-in
// registers.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "export/seams/HostApi.h"

namespace tessera {

constexpr UINT kHostAnchorCommand = 32774;
constexpr int kFirstHostCommandId = 40001;

struct RegisteredCommand {
    std::string name;
    int id;
    CommandCallback callback;
    UiCallback uiCallback;
};

struct MenuEntry {
    UINT id;
    std::string caption;  // bytes as the menu holds them
};

class PluginHost {
  public:
    static PluginHost& Instance();

    // Creates the main window; its menu's first submenu holds the host item
    // 32774 unless `withAnchor` is false.
    bool CreateMainWindow(bool withAnchor);
    HWND MainWindow() const { return window_; }
    HMENU Menu() const { return menu_; }

    // Loads the plug-in; false (with the system's error code) when it refuses.
    bool Load(const std::string& path, DWORD* error = nullptr);
    void Unload();
    bool Loaded() const { return module_ != nullptr; }

    int CallInfo(char* record);
    int CallMenuInit(int kind);
    int CallSetup();
    int CallExit();

    int RegisterCommand(const char* name, int flags, CommandCallback callback);
    int RegisterUICallback(int id, UiCallback callback);
    const std::vector<RegisteredCommand>& Commands() const { return commands_; }
    // Invokes the command registered under `name`-order `index`; false if none.
    bool InvokeCommand(size_t index, long extraBits = 0);
    // The UI callback's answer for command `index`, or -1 when none is registered.
    int QueryUI(size_t index);

    // Items of the first submenu, in order.
    std::vector<MenuEntry> SubMenuItems() const;

  private:
    HWND window_ = nullptr;
    HMENU menu_ = nullptr;
    HMODULE module_ = nullptr;
    std::vector<RegisteredCommand> commands_;
};

}  // namespace tessera
