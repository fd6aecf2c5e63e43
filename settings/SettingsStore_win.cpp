#include "settings/SettingsStore.h"

#include <windows.h>

namespace tessera {

ExportSettings LoadSettings(const std::string& iniPath) {
    ExportSettings settings;
    for (const SettingField& field : kSettingFields) {
        if (field.kind == SettingKind::Text) {
            char buffer[kMaxSettingText + 1] = {};
            GetPrivateProfileStringA(kSettingsSection, field.key, "", buffer, sizeof buffer,
                                     iniPath.c_str());
            ApplyTextSetting(field, buffer, settings);
            continue;
        }
        UINT value = GetPrivateProfileIntA(kSettingsSection, field.key, field.integerDefault,
                                           iniPath.c_str());
        ApplyIntegerSetting(field, static_cast<int>(value), settings);
    }
    return settings;
}

bool SaveSettings(const std::string& iniPath, const ExportSettings& settings) {
    bool ok = true;
    for (int index : kSaveOrder) {
        const SettingField& field = kSettingFields[index];
        std::string value = FormatSettingValue(field, settings);
        ok = WritePrivateProfileStringA(kSettingsSection, field.key, value.c_str(),
                                        iniPath.c_str()) != FALSE &&
             ok;
    }
    return ok;
}

}  // namespace tessera
