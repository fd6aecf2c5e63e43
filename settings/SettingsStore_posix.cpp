#include "settings/SettingsStore.h"

namespace tessera {

ExportSettings LoadSettings(const std::string& iniPath) { return LoadSettingsFile(iniPath); }

bool SaveSettings(const std::string& iniPath, const ExportSettings& settings) {
    return SaveSettingsFile(iniPath, settings);
}

}  // namespace tessera
