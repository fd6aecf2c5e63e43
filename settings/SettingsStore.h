// Loading and saving ExportSettings in the INI file beside the plug-in.
#pragma once

#include <string>

#include "settings/SettingsTable.h"

namespace tessera {

// Reads the five keys of section "SETTING"; absent keys take their defaults.
ExportSettings LoadSettings(const std::string& iniPath);
// Writes the five keys; returns false when the file could not be written.
bool SaveSettings(const std::string& iniPath, const ExportSettings& settings);

// The portable reader and writer of the same format (used natively, and in
// tests under Wine to compare with the platform's INI functions).
ExportSettings LoadSettingsFile(const std::string& iniPath);
bool SaveSettingsFile(const std::string& iniPath, const ExportSettings& settings);

}  // namespace tessera
