#include "settings/SettingsStore.h"

#include <windows.h>

namespace tessera {

namespace {

bool HasKey(const std::string& iniPath, const char* key) {
    char buffer[2] = {};
    // A key that is there gives its value (possibly empty), never the default.
    GetPrivateProfileStringA(kSettingsSection, key, "\x01", buffer, sizeof buffer, iniPath.c_str());
    return buffer[0] != '\x01';
}

}  // namespace

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
        if (!IsSettingWritten(field, settings) && !HasKey(iniPath, field.key)) continue;
        std::string value = FormatSettingValue(field, settings);
        ok = WritePrivateProfileStringA(kSettingsSection, field.key, value.c_str(),
                                        iniPath.c_str()) != FALSE &&
             ok;
    }
    return ok;
}

}  // namespace tessera
