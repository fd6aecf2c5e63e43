#include "settings/SettingsTable.h"

#include <cstdint>
#include <cstdlib>

namespace tessera {

const SettingField kSettingFields[kSettingFieldCount] = {
    {"SavePath", SettingKind::Text, 0, &ExportSettings::SavePath, nullptr, nullptr, false},
    {"Separator", SettingKind::Text, 0, &ExportSettings::Separator, nullptr, nullptr, false},
    {"Convert", SettingKind::Flag, 0, nullptr, &ExportSettings::Convert, nullptr, false},
    {"SaveType", SettingKind::Integer, kSaveTypeMbox, nullptr, nullptr, &ExportSettings::SaveType,
     false},
    {"NoAttach", SettingKind::Flag, 0, nullptr, &ExportSettings::NoAttach, nullptr, false},
    {"MailFileTimes", SettingKind::Flag, 1, nullptr, &ExportSettings::MailFileTimes, nullptr, true},
    {"FileNamePattern", SettingKind::Text, 0, &ExportSettings::FileNamePattern, nullptr, nullptr,
     true},
    {"WriteIndex", SettingKind::Flag, 0, nullptr, &ExportSettings::WriteIndex, nullptr, true},
    {"SaveAttachments", SettingKind::Flag, 0, nullptr, &ExportSettings::SaveAttachments, nullptr,
     true},
};

const int kSaveOrder[kSettingFieldCount] = {0, 1, 2, 4, 3, 5, 6, 7, 8};

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

bool IsSettingWritten(const SettingField& field, const ExportSettings& settings) {
    if (!field.writtenWhenSet) return true;
    switch (field.kind) {
        case SettingKind::Text:
            return !(settings.*field.text).empty();
        case SettingKind::Flag:
            return settings.*field.flag != (field.integerDefault != 0);
        case SettingKind::Integer:
            return settings.*field.integer != field.integerDefault;
    }
    return true;
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
