// The one table that describes how each setting is stored in the INI file.
#pragma once

#include <cstddef>
#include <string>

#include "export/seams/ExportSettings.h"

namespace tessera {

constexpr const char* kSettingsSection = "SETTING";
// Text values are read into a 1024-byte buffer: at most this many bytes.
constexpr size_t kMaxSettingText = 1023;

enum class SettingKind { Text, Flag, Integer };

struct SettingField {
    const char* key;
    SettingKind kind;
    int integerDefault;  // Flag and Integer; a Text default is empty
    std::string ExportSettings::*text;
    bool ExportSettings::*flag;
    int ExportSettings::*integer;
    // Written only when it differs from its default or the file has the key,
    // so that a file without the key stays without it.
    bool writtenWhenSet;
};

constexpr int kSettingFieldCount = 9;
// In load order. Saving writes Convert, NoAttach, then SaveType (see kSaveOrder).
extern const SettingField kSettingFields[kSettingFieldCount];
extern const int kSaveOrder[kSettingFieldCount];

// The text written for a field: the string itself, "1"/"0", or unsigned decimal.
std::string FormatSettingValue(const SettingField& field, const ExportSettings& settings);

// Whether saving writes the field whatever the file holds (every field but a
// writtenWhenSet one at its default).
bool IsSettingWritten(const SettingField& field, const ExportSettings& settings);

// Stores a value read from the file; `present` false applies the default.
void ApplyTextSetting(const SettingField& field, const std::string& value,
                      ExportSettings& settings);
void ApplyIntegerSetting(const SettingField& field, int value, ExportSettings& settings);

// The integer an INI reader takes from a value: optional blanks and sign, then
// the leading decimal digits (none: 0).
int ParseIniInteger(const std::string& value);

}  // namespace tessera
