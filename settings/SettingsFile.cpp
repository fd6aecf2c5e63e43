#include "settings/IniFile.h"
#include "settings/SettingsStore.h"

namespace tessera {

ExportSettings LoadSettingsFile(const std::string& iniPath) {
    IniFile ini;
    ini.Load(iniPath);
    ExportSettings settings;
    for (const SettingField& field : kSettingFields) {
        std::optional<std::string> value = ini.Get(kSettingsSection, field.key);
        if (!value) continue;
        if (field.kind == SettingKind::Text) {
            ApplyTextSetting(field, *value, settings);
        } else {
            ApplyIntegerSetting(field, ParseIniInteger(*value), settings);
        }
    }
    return settings;
}

bool SaveSettingsFile(const std::string& iniPath, const ExportSettings& settings) {
    IniFile ini;
    ini.Load(iniPath);
    for (int index : kSaveOrder) {
        const SettingField& field = kSettingFields[index];
        if (!IsSettingWritten(field, settings) && !ini.Get(kSettingsSection, field.key)) continue;
        ini.Set(kSettingsSection, field.key, FormatSettingValue(field, settings));
    }
    return ini.Save(iniPath);
}

}  // namespace tessera
