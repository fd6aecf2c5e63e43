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
    // The command line's Maildir output; never a stored SaveType (a stored 106
    // exports nothing, as any value outside 103-105).
    Maildir = 106,
};

constexpr int kSaveTypeMbox = static_cast<int>(SaveType::Mbox);
constexpr int kSaveTypeEml = static_cast<int>(SaveType::Eml);
constexpr int kSaveTypeSeparator = static_cast<int>(SaveType::Separator);
constexpr int kSaveTypeMaildir = static_cast<int>(SaveType::Maildir);
constexpr int kSaveTypeUnset = -1;  // the asking command before its first confirmed dialog

// The charset converted text, headers and names are written in: Shift-JIS (the
// plug-in's, and the default) or UTF-8 (the command line's --to utf-8).
enum class TargetCharset { kShiftJis, kUtf8 };

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
    TargetCharset Target = TargetCharset::kShiftJis;
    bool RawUtf8Headers = false;  // to UTF-8: headers in raw UTF-8 (RFC 6532), not as words
    // What names are made in (ExportPlatform::NameOnDisk takes them so): UTF-8
    // only with the UTF-8 target, where the system is to be given UTF-8 names.
    TargetCharset Names = TargetCharset::kShiftJis;
};

// The choices no dialog shows, from the stored settings into a format the
// asking command's dialog fills.
inline void CopyExtras(const ExportFormat& from, ExportFormat& to) {
    to.MailFileTimes = from.MailFileTimes;
    to.FileNamePattern = from.FileNamePattern;
    to.WriteIndex = from.WriteIndex;
    to.SaveAttachments = from.SaveAttachments;
    to.Target = from.Target;
    to.RawUtf8Headers = from.RawUtf8Headers;
    to.Names = from.Names;
}

// True for the three save types an export knows.
inline bool IsSaveType(int saveType) {
    return saveType == kSaveTypeMbox || saveType == kSaveTypeEml || saveType == kSaveTypeSeparator;
}

}  // namespace tessera
