#include "tools/cli/CliOptions.h"

#include <cstring>

#include "export/ExportFormat.h"

namespace tessera {

namespace {

const char kUsage[] =
    "usage: tessera-export [--format mbox|eml|separator|maildir] [--separator TEXT] [--no-attach]\n"
    "                      [--settings FILE.ini] [--output PATH] [--names locale|sjis]\n"
    "                      [--if-exists overwrite|append|cancel] [--quiet] INPUT...\n"
    "\n"
    "Exports mail to Shift-JIS text, as the plug-in's export commands do.\n"
    "INPUT is an .eml file, an mbox file, a Maildir folder, or - for one message\n"
    "on standard input; messages are exported in the order given.\n"
    "\n"
    "  --format TYPE     export as TYPE, like the command that asks for the format:\n"
    "                    mbox or separator: --output is the target file;\n"
    "                    eml: --output is the folder for one .eml file per message;\n"
    "                    maildir: --output is a Maildir (cur, new, tmp made)\n"
    "  --separator TEXT  line written after each message (--format separator)\n"
    "  --no-attach       leave attachments out (--format)\n"
    "  --settings FILE   without --format: export with the settings of this INI\n"
    "                    file (the plug-in's format; default: the plug-in's defaults)\n"
    "  --output PATH     with --format: the target file or folder; without: the\n"
    "                    folder (SavePath) the stored-format export names files in\n"
    "  --if-exists WHAT  existing target file with --format mbox|separator:\n"
    "                    overwrite, append or cancel (default: ask on a terminal,\n"
    "                    cancel otherwise)\n"
    "  --names CHARSET   file names the export makes (.eml, the stored format's\n"
    "                    .txt): locale (default; the locale's character set,\n"
    "                    UTF-8 in the C locale) or sjis (the plug-in's Shift-JIS)\n"
    "  --quiet           no progress line\n"
    "  --name-pattern P  names of .eml files (and the stored format's file) from\n"
    "                    %s Subject, %Y %m %d %H %M date, %f sender, %a address,\n"
    "                    %n running number, %% a '%' (FileNamePattern)\n"
    "  --no-file-times   .eml files dated by the export, not by their mail\n"
    "  --index           index.csv beside the .eml files (WriteIndex)\n"
    "  --save-attachments  attachments as files beside the .eml files\n"
    "  --help            show this help\n"
    "  --version         show the version\n"
    "\n"
    "Exit status: 0 success, 1 the export failed or left messages out, 2 usage error.\n";

bool ParseFormat(const std::string& value, int& saveType) {
    if (value == "mbox")
        saveType = kSaveTypeMbox;
    else if (value == "eml")
        saveType = kSaveTypeEml;
    else if (value == "separator")
        saveType = kSaveTypeSeparator;
    else if (value == "maildir")
        saveType = kSaveTypeMaildir;
    else
        return false;
    return true;
}

bool ParseIfExists(const std::string& value, IfExists& ifExists) {
    if (value == "overwrite")
        ifExists = IfExists::Overwrite;
    else if (value == "append")
        ifExists = IfExists::Append;
    else if (value == "cancel")
        ifExists = IfExists::Cancel;
    else
        return false;
    return true;
}

// Options that take a value, as "--name VALUE" or "--name=VALUE".
bool TakeValue(const std::string& arg, const char* name, int argc, char** argv, int& i,
               std::string& value, bool& missing) {
    size_t length = std::strlen(name);
    if (arg.compare(0, length, name) != 0) return false;
    if (arg.size() == length) {
        if (i + 1 >= argc) {
            missing = true;
            return true;
        }
        value = argv[++i];
        return true;
    }
    if (arg[length] != '=') return false;
    value = arg.substr(length + 1);
    return true;
}

bool ParseNames(const std::string& value, NameCharset& names) {
    if (value == "locale") {
        names = NameCharset::Locale;
        return true;
    }
    if (value == "sjis") {
        names = NameCharset::ShiftJis;
        return true;
    }
    return false;
}

bool ParseValueOption(const std::string& name, const std::string& value, CliOptions& options,
                      std::string& error) {
    if (name == "--format") {
        options.hasFormat = true;
        if (ParseFormat(value, options.saveType)) return true;
        error = "unknown format '" + value + "' (mbox, eml, separator or maildir)";
        return false;
    }
    if (name == "--if-exists") {
        if (ParseIfExists(value, options.ifExists)) return true;
        error = "unknown --if-exists answer '" + value + "' (overwrite, append or cancel)";
        return false;
    }
    if (name == "--names") {
        if (ParseNames(value, options.names)) return true;
        error = "unknown --names value '" + value + "' (locale or sjis)";
        return false;
    }
    if (name == "--separator") {
        options.hasSeparator = true;
        options.separator = value;
    } else if (name == "--settings") {
        options.settingsFile = value;
    } else {
        options.hasOutput = true;
        options.output = value;
    }
    return true;
}

// The options beyond the plug-in's dialogs; false when `arg` is none of them.
bool ParseExtraOption(const std::string& arg, int argc, char** argv, int& i, CliOptions& options,
                      std::string& error) {
    bool missing = false;
    if (arg == "--no-file-times")
        options.noFileTimes = true;
    else if (arg == "--index")
        options.index = true;
    else if (arg == "--save-attachments")
        options.saveAttachments = true;
    else if (TakeValue(arg, "--name-pattern", argc, argv, i, options.namePattern, missing)) {
        options.hasNamePattern = true;
        if (missing) error = "--name-pattern needs a value";
    } else
        return false;
    return true;
}

// Combinations that would silently do something else than asked.
bool CheckCombination(const CliOptions& options, std::string& error) {
    if (options.help || options.version) return true;
    if (options.inputs.empty())
        error = "no input given";
    else if (options.hasFormat && !options.hasOutput)
        error = "--format needs --output";
    else if (options.hasFormat && !options.settingsFile.empty())
        error = "--settings applies only without --format";
    else if (!options.hasFormat && (options.hasSeparator || options.noAttach))
        error = "--separator and --no-attach need --format (or set them in --settings)";
    else if (options.hasSeparator && options.saveType != kSaveTypeSeparator)
        error = "--separator needs --format separator";
    else if ((options.index || options.saveAttachments) && options.hasFormat &&
             options.saveType != kSaveTypeEml)
        error = "--index and --save-attachments need --format eml";
    else if (options.hasOutput && options.output.empty())
        error = "--output is empty";
    return error.empty();
}

}  // namespace

const char* CliUsage() { return kUsage; }

void ApplyCliExtras(const CliOptions& options, ExportFormat& format) {
    if (options.noFileTimes) format.MailFileTimes = false;
    if (options.hasNamePattern) format.FileNamePattern = options.namePattern;
    if (options.index) format.WriteIndex = true;
    if (options.saveAttachments) format.SaveAttachments = true;
}

bool ParseCliOptions(int argc, char** argv, CliOptions& options, std::string& error) {
    static const char* const kValueOptions[] = {"--format", "--separator", "--settings",
                                                "--output", "--if-exists", "--names"};
    bool endOfOptions = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (endOfOptions || arg == "-" || arg.empty() || arg[0] != '-') {
            options.inputs.push_back(arg);
            continue;
        }
        if (arg == "--")
            endOfOptions = true;
        else if (arg == "--help" || arg == "-h")
            options.help = true;
        else if (arg == "--version")
            options.version = true;
        else if (arg == "--no-attach")
            options.noAttach = true;
        else if (arg == "--quiet" || arg == "-q")
            options.quiet = true;
        else if (ParseExtraOption(arg, argc, argv, i, options, error)) {
            if (!error.empty()) return false;
        } else {
            bool matched = false, missing = false;
            std::string value;
            for (const char* name : kValueOptions) {
                if (!TakeValue(arg, name, argc, argv, i, value, missing)) continue;
                matched = true;
                if (missing) {
                    error = std::string(name) + " needs a value";
                    return false;
                }
                if (!ParseValueOption(name, value, options, error)) return false;
                break;
            }
            if (!matched) {
                error = "unknown option '" + arg + "'";
                return false;
            }
        }
    }
    return CheckCombination(options, error);
}

}  // namespace tessera
