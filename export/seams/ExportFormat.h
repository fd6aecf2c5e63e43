// The format of one export: what the stored settings hold and what the
// export-format dialog chooses. Read as a whole for the whole run.
#pragma once

#include <string>

namespace tessera {

// The save types as the settings store them and the dialog's radio buttons are numbered.
enum class SaveType {
    Mbox = 103,       // all messages in one UNIX mbox file
    Eml = 104,        // one .eml file per message
    Separator = 105,  // one file, a separator line after each message
};

constexpr int kSaveTypeMbox = static_cast<int>(SaveType::Mbox);
constexpr int kSaveTypeEml = static_cast<int>(SaveType::Eml);
constexpr int kSaveTypeSeparator = static_cast<int>(SaveType::Separator);
constexpr int kSaveTypeUnset = -1;  // the asking command before its first confirmed dialog

struct ExportFormat {
    int SaveType = kSaveTypeMbox;
    std::string Separator;  // written after each message (105 only)
    bool NoAttach = false;
    bool Convert = false;  // shown, never read: conversion is always on
};

// True for the three save types an export knows.
inline bool IsSaveType(int saveType) {
    return saveType == kSaveTypeMbox || saveType == kSaveTypeEml || saveType == kSaveTypeSeparator;
}

}  // namespace tessera
