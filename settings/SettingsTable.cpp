#include "settings/SettingsTable.h"

#include <cstdint>
#include <cstdlib>

namespace tessera {

const SettingField kSettingFields[kSettingFieldCount] = {
    {"SavePath", SettingKind::Text, 0, &ExportSettings::SavePath, nullptr, nullptr},
    {"Separator", SettingKind::Text, 0, &ExportSettings::Separator, nullptr, nullptr},
    {"Convert", SettingKind::Flag, 0, nullptr, &ExportSettings::Convert, nullptr},
    {"SaveType", SettingKind::Integer, kSaveTypeMbox, nullptr, nullptr, &ExportSettings::SaveType},
    {"NoAttach", SettingKind::Flag, 0, nullptr, &ExportSettings::NoAttach, nullptr},
};

const int kSaveOrder[kSettingFieldCount] = {0, 1, 2, 4, 3};

std::string FormatSettingValue(const SettingField& field, const ExportSettings& settings) {
    switch (field.kind) {
        case SettingKind::Text:
            return settings.*field.text;
        case SettingKind::Flag:
            return settings.*field.flag ? "1" : "0";
        case SettingKind::Integer:
            return std::to_string(static_cast<uint32_t>(settings.*field.integer));
    }
    return std::string();
}

void ApplyTextSetting(const SettingField& field, const std::string& value,
                      ExportSettings& settings) {
    if (field.kind != SettingKind::Text) return;
    settings.*field.text = value.substr(0, kMaxSettingText);
}

void ApplyIntegerSetting(const SettingField& field, int value, ExportSettings& settings) {
    if (field.kind == SettingKind::Flag) settings.*field.flag = value != 0;
    if (field.kind == SettingKind::Integer) settings.*field.integer = value;
}

int ParseIniInteger(const std::string& value) {
    size_t i = 0;
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+')) negative = value[i++] == '-';
    int64_t result = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        result = result * 10 + (value[i] - '0');
        if (result > INT64_C(0xFFFFFFFF)) result = INT64_C(0xFFFFFFFF);
    }
    // Values wrap like a 32-bit unsigned read, as the platform's reader does.
    uint32_t bits = static_cast<uint32_t>(negative ? -result : result);
    return static_cast<int>(bits);
}

}  // namespace tessera
