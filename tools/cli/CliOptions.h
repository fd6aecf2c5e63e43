// Command line of tessera-export.
#pragma once

#include <string>
#include <vector>

#include "export/seams/ExportFormat.h"
#include "resources/Version.h"

namespace tessera {

constexpr const char* kCliVersion = TESSERA_VERSION;

enum class IfExists { Ask, Overwrite, Append, Cancel };
// Bytes of the file names the export makes: the locale's, or the plug-in's own.
enum class NameCharset { Locale, ShiftJis };

struct CliOptions {
    bool help = false;
    bool version = false;
    bool hasFormat = false;  // --format given: the asking command
    int saveType = 0;
    bool hasSeparator = false;
    std::string separator;
    bool noAttach = false;
    std::string settingsFile;
    bool hasOutput = false;
    std::string output;
    IfExists ifExists = IfExists::Ask;
    NameCharset names = NameCharset::Locale;
    bool quiet = false;
    std::vector<std::string> inputs;

    // Beyond the plug-in's dialogs: the INI keys of the same meaning, set here.
    bool noFileTimes = false;  // --no-file-times: MailFileTimes=0
    bool hasNamePattern = false;
    std::string namePattern;                          // --name-pattern: FileNamePattern
    bool index = false;                               // --index: WriteIndex=1
    bool saveAttachments = false;                     // --save-attachments: SaveAttachments=1
    TargetCharset target = TargetCharset::kShiftJis;  // --to
    bool rawHeaders = false;                          // --raw-headers
};

// "-" as INPUT or --output: standard input or output.
constexpr const char* kStandardStream = "-";

// True when --format writes one file (mbox, separator), not a folder.
bool WritesOneFile(const CliOptions& options);

// Puts the extras given on the command line into a format (stored or chosen).
void ApplyCliExtras(const CliOptions& options, ExportFormat& format);

// What the defaults depend on: with no INPUT a pipe on standard input is read,
// and with no --output an mbox or separator export goes to a standard output
// that is not a terminal.
struct StandardStreams {
    bool inputIsTerminal = true;
    bool outputIsTerminal = true;
};

// Parses argv; false with `error` set on a usage error.
bool ParseCliOptions(int argc, char** argv, const StandardStreams& streams, CliOptions& options,
                     std::string& error);

// The text of --help, in the language shown.
std::string CliUsage();

}  // namespace tessera
