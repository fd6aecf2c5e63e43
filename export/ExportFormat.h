// The format of one export: what the stored settings hold and what the
// export-format dialog chooses. Read as a whole for the whole run.
#pragma once

#include <string>

namespace tessera {

constexpr int kSaveTypeMbox = 103;       // all messages in one UNIX mbox file
constexpr int kSaveTypeEml = 104;        // one .eml file per message
constexpr int kSaveTypeSeparator = 105;  // one file, a separator line after each message
constexpr int kSaveTypeUnset = -1;       // the asking command before its first confirmed dialog

struct ExportFormat {
    int SaveType = kSaveTypeMbox;
    std::string Separator;  // written after each message (105 only)
    bool NoAttach = false;
    bool Convert = false;  // shown, never read: conversion is always on

    // Set in the INI file or on the command line only; no dialog shows them,
    // and their defaults change nothing.
    bool MailFileTimes = true;     // .eml files (and saved attachments) dated by the mail
    std::string FileNamePattern;   // how names are made (NamePattern.h); empty: the Subject
    bool WriteIndex = false;       // index.csv beside the .eml files
    bool SaveAttachments = false;  // attachments as files in a folder per message
};

// True for the three save types an export knows.
inline bool IsSaveType(int saveType) {
    return saveType == kSaveTypeMbox || saveType == kSaveTypeEml || saveType == kSaveTypeSeparator;
}

}  // namespace tessera
