#include "tools/cli/CliOptions.h"

#include <cstring>

#include "export/seams/ExportFormat.h"
#include "export/text/AsciiText.h"
#include "platform/LocaleText.h"
#include "tools/cli/CliText.h"

namespace tessera {

namespace {

const char kUsage[] =
    "usage: tessera-export [-f mbox|eml|separator|maildir] [-s TEXT] [-n]\n"
    "                      [--settings FILE.ini] [-o PATH]\n"
    "                      [--if-exists overwrite|append|cancel] [--names locale|sjis]\n"
    "                      [--name-pattern P] [--no-file-times] [--index]\n"
    "                      [--save-attachments] [--to shift_jis|utf-8] [--raw-headers]\n"
    "                      [-q] [INPUT...]\n"
    "\n"
    "Exports mail to Shift-JIS text, as the plug-in's export commands do, or to UTF-8.\n"
    "INPUT is an .eml file, an mbox file, a Maildir folder, a folder of .eml files\n"
    "(sub-folders too, in name order), or - for standard input (one message or an\n"
    "mbox); messages are exported in the order given. Without INPUT, a pipe on\n"
    "standard input is read.\n"
    "\n"
    "  -f, --format TYPE     export as TYPE, like the command that asks for the format:\n"
    "                        mbox or separator: --output is the target file;\n"
    "                        eml: --output is the folder for one .eml file per message;\n"
    "                        maildir: --output is a Maildir (cur, new, tmp made)\n"
    "  -s, --separator TEXT  line written after each message (--format separator)\n"
    "  -n, --no-attach       leave attachments out (--format)\n"
    "      --settings FILE   without --format: export with the settings of this INI\n"
    "                        file (the plug-in's format; default: its defaults)\n"
    "  -o, --output PATH     with --format: the target file or folder (- or none with\n"
    "                        mbox/separator and a standard output that is not a\n"
    "                        terminal: standard output); without: the folder\n"
    "                        (SavePath) the stored-format export names files in\n"
    "      --if-exists WHAT  an existing target: overwrite, append or cancel (default:\n"
    "                        ask on a terminal, cancel otherwise); .eml files:\n"
    "                        overwrite (default) or cancel, which keeps them\n"
    "      --names CHARSET   file names the export makes (.eml, the stored format's\n"
    "                        .txt): locale (default; the locale's character set,\n"
    "                        UTF-8 in the C locale) or sjis (the plug-in's Shift-JIS)\n"
    "      --name-pattern P  names of .eml files (and the stored format's file) from\n"
    "                        %s Subject, %Y %m %d %H %M date, %f sender, %a address,\n"
    "                        %n running number, %% a '%' (FileNamePattern)\n"
    "      --no-file-times   .eml and Maildir files dated by the export\n"
    "      --index           index.csv beside the .eml files (WriteIndex)\n"
    "      --save-attachments  attachments as files beside the .eml files\n"
    "      --to CHARSET      what converted text, headers and names are written in:\n"
    "                        shift_jis (default) or utf-8 (parts labelled UTF-8,\n"
    "                        headers as UTF-8 encoded words, names in UTF-8)\n"
    "      --raw-headers     with --to utf-8: headers in raw UTF-8, not encoded words\n"
    "  -q, --quiet           no progress line\n"
    "  -h, --help            show this help\n"
    "  -V, --version         show the version\n"
    "\n"
    "Exit status: 0 success, 1 the export failed or left messages out, 2 usage error,\n"
    "130 interrupted (128 + the signal).\n";

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

bool ParseTarget(const std::string& value, TargetCharset& target) {
    if (EqualsIgnoreCase(value, "shift_jis")) {
        target = TargetCharset::kShiftJis;
        return true;
    }
    if (EqualsIgnoreCase(value, "utf-8")) {
        target = TargetCharset::kUtf8;
        return true;
    }
    return false;
}

bool ParseValueOption(const std::string& name, const std::string& value, CliOptions& options,
                      std::string& error) {
    if (name == "--format") {
        options.hasFormat = true;
        if (ParseFormat(value, options.saveType)) return true;
        error = Tr("unknown format '%1' (mbox, eml, separator or maildir)", {value});
        return false;
    }
    if (name == "--if-exists") {
        if (ParseIfExists(value, options.ifExists)) return true;
        error = Tr("unknown --if-exists answer '%1' (overwrite, append or cancel)", {value});
        return false;
    }
    if (name == "--names") {
        if (ParseNames(value, options.names)) return true;
        error = Tr("unknown --names value '%1' (locale or sjis)", {value});
        return false;
    }
    if (name == "--to") {
        if (ParseTarget(value, options.target)) return true;
        error = Tr("unknown --to charset '%1' (shift_jis or utf-8)", {value});
        return false;
    }
    if (name == "--separator") {
        options.hasSeparator = true;
        options.separator = value;
    } else if (name == "--settings") {
        options.settingsFile = value;
    } else if (name == "--name-pattern") {
        options.hasNamePattern = true;
        options.namePattern = value;
    } else {
        options.hasOutput = true;
        options.output = value;
    }
    return true;
}

// Combinations that would silently do something else than asked.
bool CheckCombination(const StandardStreams& streams, CliOptions& options, std::string& error) {
    if (options.help || options.version) return true;
    if (options.inputs.empty() && !streams.inputIsTerminal)
        options.inputs.push_back(kStandardStream);
    const bool singleFile = WritesOneFile(options);
    if (singleFile && !options.hasOutput && !streams.outputIsTerminal) {
        options.hasOutput = true;
        options.output = kStandardStream;
    }
    if (options.inputs.empty())
        error = Tr("no input given (and standard input is a terminal)");
    else if (options.hasFormat && !options.hasOutput)
        error = Tr("--format needs --output");
    else if (options.hasFormat && !options.settingsFile.empty())
        error = Tr("--settings applies only without --format");
    else if (!options.hasFormat && (options.hasSeparator || options.noAttach))
        error = Tr("--separator and --no-attach need --format (or set them in --settings)");
    else if (options.hasSeparator && options.saveType != kSaveTypeSeparator)
        error = Tr("--separator needs --format separator");
    else if ((options.index || options.saveAttachments) && options.hasFormat &&
             options.saveType != kSaveTypeEml)
        error = Tr("--index and --save-attachments need --format eml");
    else if (options.rawHeaders && options.target != TargetCharset::kUtf8)
        error = Tr("--raw-headers needs --to utf-8");
    else if (options.hasOutput && options.output.empty())
        error = Tr("--output is empty");
    else if (options.output == kStandardStream && !singleFile)
        error = Tr("--output - (standard output) needs --format mbox or separator");
    else if (options.hasFormat && options.saveType == kSaveTypeEml &&
             options.ifExists == IfExists::Append)
        error = Tr("--if-exists append does not apply to .eml files (overwrite or cancel)");
    return error.empty();
}

struct OptionName {
    const char* longName;
    char shortName;  // 0: none
    bool takesValue;
};

constexpr OptionName kOptions[] = {
    {"--format", 'f', true},     {"--separator", 's', true},       {"--no-attach", 'n', false},
    {"--settings", 0, true},     {"--output", 'o', true},          {"--if-exists", 0, true},
    {"--names", 0, true},        {"--quiet", 'q', false},          {"--help", 'h', false},
    {"--version", 'V', false},   {"--name-pattern", 0, true},      {"--no-file-times", 0, false},
    {"--index", 0, false},       {"--save-attachments", 0, false}, {"--to", 0, true},
    {"--raw-headers", 0, false},
};

// Finds the option of `arg`: "--name", "--name=VALUE", "-x", "-xVALUE".
// `inlineValue` is set when the value is part of `arg`.
const OptionName* FindOption(const std::string& arg, std::string& inlineValue, bool& hasInline) {
    hasInline = false;
    for (const OptionName& option : kOptions) {
        const std::string name = option.longName;
        if (arg == name) return &option;
        if (option.takesValue && arg.compare(0, name.size() + 1, name + "=") == 0) {
            inlineValue = arg.substr(name.size() + 1);
            hasInline = true;
            return &option;
        }
        if (option.shortName && arg.size() >= 2 && arg[0] == '-' && arg[1] == option.shortName) {
            if (arg.size() == 2) return &option;
            if (!option.takesValue) return nullptr;
            inlineValue = arg.substr(2);
            hasInline = true;
            return &option;
        }
    }
    return nullptr;
}

void ApplyFlag(const std::string& name, CliOptions& options) {
    if (name == "--help")
        options.help = true;
    else if (name == "--version")
        options.version = true;
    else if (name == "--no-attach")
        options.noAttach = true;
    else if (name == "--no-file-times")
        options.noFileTimes = true;
    else if (name == "--index")
        options.index = true;
    else if (name == "--save-attachments")
        options.saveAttachments = true;
    else if (name == "--raw-headers")
        options.rawHeaders = true;
    else
        options.quiet = true;
}

// "-nq": short options without values, together; false for anything else.
bool ApplyFlagGroup(const std::string& arg, CliOptions& options) {
    if (arg.size() < 3 || arg[1] == '-') return false;
    std::vector<const char*> names;
    for (size_t i = 1; i < arg.size(); ++i) {
        const OptionName* found = nullptr;
        for (const OptionName& option : kOptions) {
            if (option.shortName == arg[i] && !option.takesValue) found = &option;
        }
        if (!found) return false;
        names.push_back(found->longName);
    }
    for (const char* name : names) ApplyFlag(name, options);
    return true;
}

}  // namespace

std::string CliUsage() { return Tr(kUsage); }

bool WritesOneFile(const CliOptions& options) {
    return options.hasFormat && options.saveType != kSaveTypeEml &&
           options.saveType != kSaveTypeMaildir;
}

void ApplyCliExtras(const CliOptions& options, ExportFormat& format) {
    if (options.noFileTimes) format.MailFileTimes = false;
    if (options.index) format.WriteIndex = true;
    if (options.saveAttachments) format.SaveAttachments = true;
    format.Target = options.target;
    format.RawUtf8Headers = options.rawHeaders;
    // To UTF-8, names keep every character where they are written in UTF-8, unless
    // they are to be Shift-JIS bytes. Through an ANSI code page (Windows) they are
    // made in Shift-JIS as before: the engine's own mapping gives a JIS character
    // its Windows form (〜), where the code page would write '_'.
    const bool utf8Names = options.target == TargetCharset::kUtf8 &&
                           options.names != NameCharset::ShiftJis && Utf8NameCharset() == "UTF-8";
    format.Names = utf8Names ? TargetCharset::kUtf8 : TargetCharset::kShiftJis;
    // The pattern is typed in the system's set; the names it makes are in
    // format.Names until they are written.
    if (options.hasNamePattern) {
        format.FileNamePattern =
            TextRecoder(TextRecoder::From::Locale, utf8Names ? "UTF-8" : "CP932")
                .Recode(options.namePattern, '_');
    }
}

bool ParseCliOptions(int argc, char** argv, const StandardStreams& streams, CliOptions& options,
                     std::string& error) {
    bool endOfOptions = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (endOfOptions || arg == kStandardStream || arg.empty() || arg[0] != '-') {
            options.inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            endOfOptions = true;
            continue;
        }
        if (ApplyFlagGroup(arg, options)) continue;
        std::string value;
        bool hasInline = false;
        const OptionName* option = FindOption(arg, value, hasInline);
        if (!option) {
            error = Tr("unknown option '%1'", {arg});
            return false;
        }
        if (!option->takesValue) {
            ApplyFlag(option->longName, options);
            continue;
        }
        if (!hasInline) {
            if (i + 1 >= argc) {
                error = Tr("%1 needs a value", {option->longName});
                return false;
            }
            value = argv[++i];
        }
        if (!ParseValueOption(option->longName, value, options, error)) return false;
    }
    return CheckCombination(streams, options, error);
}

}  // namespace tessera
