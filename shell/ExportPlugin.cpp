#include "shell/ExportPlugin.h"

#include "dialogs/ResourceModule_win.h"
#include "dialogs/SettingsDialog_win.h"
#include "export/flow/ExportDriver.h"
#include "settings/SettingsStore.h"
#include "shell/HostBinding.h"
#include "shell/PluginModule.h"
#include "shell/Win32ExportPlatform.h"

namespace tessera {

std::string IniPathForModule(const std::string& modulePath) {
    size_t nameStart = modulePath.find_last_of("\\/");
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    size_t dot = modulePath.rfind('.');
    if (dot == std::string::npos || dot < nameStart) return modulePath + ".ini";
    return modulePath.substr(0, dot) + ".ini";
}

ExportPlugin::ExportPlugin(int askFormatCommand, int storedFormatCommand, HMENU subMenu)
    : subMenu_(subMenu),
      storedFormatCommand_(storedFormatCommand),
      askFormatCommand_(askFormatCommand),
      iniPath_(IniPathForModule(ModulePath())) {
    chosen_.SaveType = kSaveTypeUnset;
    LoadSettings();
}

ExportPlugin::~ExportPlugin() {
    SaveSettings();
    DeleteMenu(subMenu_, static_cast<UINT>(storedFormatCommand_), MF_BYCOMMAND);
    DeleteMenu(subMenu_, static_cast<UINT>(askFormatCommand_), MF_BYCOMMAND);
}

void ExportPlugin::LoadSettings() { settings_ = tessera::LoadSettings(iniPath_); }

void ExportPlugin::SaveSettings() { tessera::SaveSettings(iniPath_, settings_); }

void ExportPlugin::InsertMenuItems() {
    // Without the anchor item some menu implementations append at the end; we insert nothing.
    if (GetMenuState(subMenu_, kHostMenuAnchor, MF_BYCOMMAND) == static_cast<UINT>(-1)) return;
    const struct {
        int command;
        int caption;
    } items[] = {{storedFormatCommand_, IDS_STORED_FORMAT_CAPTION},
                 {askFormatCommand_, IDS_ASK_FORMAT_CAPTION}};
    for (const auto& item : items) {
        scratchText_ = LoadText(item.caption);
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_TYPE;
        info.fType = MFT_STRING;
        info.wID = static_cast<UINT>(item.command);
        info.dwTypeData = &scratchText_[0];
        InsertMenuItemA(subMenu_, kHostMenuAnchor, FALSE, &info);
    }
}

bool ExportPlugin::IsOurCommand(long commandId) const {
    int low = static_cast<int>(commandId & 0xFFFF);
    return low == storedFormatCommand_ || low == askFormatCommand_;
}

void ExportPlugin::OnCommand(HWND window, long commandId) {
    if (!IsOurCommand(commandId)) return;
    if (running_) {
        MessageBeep(MB_OK);  // one export at a time
        return;
    }
    int low = static_cast<int>(commandId & 0xFFFF);
    if (low == storedFormatCommand_) {
        ExportStoredFormat(window);
    } else if (low == askFormatCommand_) {
        ExportChosenFormat(window);
    }
}

int ExportPlugin::OnUpdateUI(long commandId) {
    if (!IsOurCommand(commandId)) return 0;
    char buffer[260] = {};
    return Host().GetNextMail(-1, buffer, 256, 0) == -1 ? 1 : 0;
}

void ExportPlugin::Setup() {
    if (running_) {
        MessageBeep(MB_OK);
        return;
    }
    ShowSettingsDialog(GetActiveWindow(), settings_);
}

void ExportPlugin::StopExport() {
    if (running_) running_->RequestStop();
}

template <typename Export>
void ExportPlugin::RunExport(const Export& exportWith) {
    Win32ExportPlatform platform;
    // Cleared however the export ends, a thrown failure included.
    struct Running {
        Win32ExportPlatform*& slot;
        ~Running() { slot = nullptr; }
    } running{running_};
    running_ = &platform;
    ExportDriver driver(Host(), platform);
    exportWith(driver);
}

void ExportPlugin::ExportStoredFormat(HWND window) {
    RunExport([&](ExportDriver& driver) { driver.ExportStoredFormat(window, settings_); });
}

void ExportPlugin::ExportChosenFormat(HWND window) {
    CopyExtras(settings_, chosen_);  // the INI-only choices hold for both commands
    RunExport([&](ExportDriver& driver) {
        driver.ExportChosenFormat(window, chosen_, settings_.SavePath);
    });
}

}  // namespace tessera
