// The plug-in's one live object: its commands, menu items, settings and the
// format chosen for the asking export.
#pragma once

#include <windows.h>

#include <string>

#include "export/seams/ExportFormat.h"
#include "export/seams/ExportSettings.h"

namespace tessera {

class Win32ExportPlatform;

constexpr UINT kHostMenuAnchor = 32774;  // our items go in front of this host item

class ExportPlugin {
  public:
    ExportPlugin(int askFormatCommand, int storedFormatCommand, HMENU subMenu);
    virtual ~ExportPlugin();
    ExportPlugin(const ExportPlugin&) = delete;
    ExportPlugin& operator=(const ExportPlugin&) = delete;

    void InsertMenuItems();
    // Routes a host command by the low 16 bits of its id. While an export
    // runs (its progress window pumps messages) a second one is refused.
    void OnCommand(HWND window, long commandId);
    // 1 when no message is available for one of our commands, else 0.
    int OnUpdateUI(long commandId);
    // The settings dialog; confirmed values replace Settings (saved at exit).
    // Refused while an export runs, which reads the settings.
    void Setup();
    bool Exporting() const { return running_ != nullptr; }
    // Stops the running export after the message in hand.
    void StopExport();

    void ExportStoredFormat(HWND window);
    void ExportChosenFormat(HWND window);

  private:
    void LoadSettings();
    void SaveSettings();
    bool IsOurCommand(long commandId) const;
    template <typename Export>
    void RunExport(const Export& exportWith);

    std::string scratchText_;
    HMENU subMenu_;
    int storedFormatCommand_;
    int askFormatCommand_;
    std::string iniPath_;
    ExportSettings settings_;                 // stored; written back at exit
    ExportFormat chosen_;                     // the asking command's last confirmed format
    Win32ExportPlatform* running_ = nullptr;  // of the export under way
};

// The INI path for a module path: its extension replaced by ".ini", or
// ".ini" appended when the file name has none.
std::string IniPathForModule(const std::string& modulePath);

}  // namespace tessera
