// The plug-in's one live object: its commands, menu items, settings and the
// format chosen for the asking export.
#pragma once

#include <windows.h>

#include <string>

#include "export/ExportFormat.h"
#include "export/ExportSettings.h"

namespace tessera {

constexpr UINT kHostMenuAnchor = 32774;  // our items go in front of this host item

class ExportPlugin {
public:
    ExportPlugin(int askFormatCommand, HWND mainWindow, int storedFormatCommand, HMENU subMenu);
    virtual ~ExportPlugin();
    ExportPlugin(const ExportPlugin&) = delete;
    ExportPlugin& operator=(const ExportPlugin&) = delete;

    void InsertMenuItems();
    // Routes a host command by the low 16 bits of its id.
    void OnCommand(HWND window, long commandId);
    // 1 when no message is available for one of our commands, else 0.
    int OnUpdateUI(long commandId);
    // The settings dialog; confirmed values replace Settings (saved at exit).
    void Setup();

    void ExportStoredFormat(HWND window);
    void ExportChosenFormat(HWND window);

    const std::string& IniPath() const { return iniPath_; }

private:
    void LoadSettings();
    void SaveSettings();
    bool IsOurCommand(long commandId) const;

    std::string scratchText_;
    HMENU subMenu_;
    int storedFormatCommand_;
    int askFormatCommand_;
    HWND mainWindow_;
    std::string iniPath_;
    ExportSettings settings_;  // stored; written back at exit
    ExportFormat chosen_;      // the asking command's last confirmed format
};

// The INI path for a module path: its extension replaced by ".ini", or
// ".ini" appended when the file name has none.
std::string IniPathForModule(const std::string& modulePath);

}  // namespace tessera
