// The plug-in's one live object: its commands, menu items, settings and the
// values chosen for the asking export.
#pragma once

#include <windows.h>

#include <string>

#include "export/ExportChoices.h"

namespace tessera {

constexpr UINT kHostMenuAnchor = 32774;  // our items go in front of this host item
constexpr int kTextStoredFormatCaption = 3;
constexpr int kTextAskFormatCaption = 4;

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

    int EffectiveSaveType() const { return choices_.EffectiveSaveType(); }
    const std::string& EffectiveSeparator() const { return choices_.EffectiveSeparator(); }
    bool EffectiveNoAttach() const { return choices_.EffectiveNoAttach(); }
    bool EffectiveConvert() const { return choices_.EffectiveConvert(); }

    const ExportChoices& Choices() const { return choices_; }
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
    ExportChoices choices_;  // chosen values, UseStoredSettings, SelectionMode, Settings
};

// The INI path for a module path: its extension replaced by ".ini", or
// ".ini" appended when the file name has none.
std::string IniPathForModule(const std::string& modulePath);

}  // namespace tessera
