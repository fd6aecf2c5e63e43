// tessera-export: the plug-in's export flow on the command line. The flow is
// ExportDriver's; this file only reads the inputs and options and reports.
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>
#include <iterator>
#include <memory>
#include <new>
#include <string>

#include "export/charset/ShiftJisToUtf8.h"
#include "export/flow/ExportDriver.h"
#include "mailstore/MboxFraming.h"
#include "mailstore/StoreHost.h"
#include "platform/Console.h"
#include "platform/LocalFileSystem.h"
#include "settings/SettingsStore.h"
#include "tools/cli/CliExportPlatform.h"
#include "tools/cli/CliOptions.h"
#include "tools/cli/CliText.h"
#include "tools/cli/OutputFolder.h"
#include "tools/cli/ProgressLine.h"

using namespace tessera;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// Says each line of a message of several lines.
void SayLines(CliExportPlatform& platform, const std::string& text) {
    for (size_t start = 0; start < text.size();) {
        size_t end = std::min(text.find('\n', start), text.size());
        platform.Say(TrProblem(text.substr(start, end - start)));
        start = end + 1;
    }
}

// Ctrl-C or SIGTERM stops the export after the message in hand, cleanly (a
// replacement is dropped, an append cut back); a second one ends the process.
// Holds the signal's number.
volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int signal) {
    if (interrupted) std::_Exit(128 + signal);
    interrupted = signal;
}

// Adds every input to the host's messages; false when any could not be read.
bool LoadInputs(const CliOptions& options, MessageStore& store, CliExportPlatform& platform) {
    bool ok = true;
    for (const std::string& input : options.inputs) {
        std::string error;
        if (input != "-") {
            if (!store.AddPath(input, error)) {
                SayLines(platform, error);
                ok = false;
            }
            continue;
        }
        // A mail filter's one message, or a whole mbox: its first line tells.
        std::string text((std::istreambuf_iterator<char>(std::cin)),
                         std::istreambuf_iterator<char>());
        if (text.empty()) {
            platform.Say(Tr("-: empty standard input, not a message"));
            ok = false;
            continue;
        }
        store.AddStreamText(input, std::move(text));
    }
    return ok;
}

// The stored settings of the plug-in, or of --settings; --output replaces SavePath.
bool PrepareSettings(const CliOptions& options, ExportSettings& settings,
                     CliExportPlatform& platform) {
    if (!options.settingsFile.empty()) {
        if (access(options.settingsFile.c_str(), R_OK) != 0) {
            platform.Say(Tr("%1: settings file cannot be read", {options.settingsFile}));
            return false;
        }
        settings = LoadSettingsFile(options.settingsFile);
    }
    if (options.hasOutput) {
        settings.SavePath = options.output;
        return true;
    }
    if (LocalFileSystem::IsPathOfThisSystem(settings.SavePath)) return true;
    platform.Say(Tr("SavePath '%1' of %2 is a Windows path, no path of this system: give --output",
                    {settings.SavePath, options.settingsFile}));
    return false;
}

// The folder of the formats that write into one is made when missing.
bool PrepareFolder(const CliOptions& options, ExportSettings& settings,
                   CliExportPlatform& platform) {
    const bool folderFormat =
        options.saveType == kSaveTypeEml || options.saveType == kSaveTypeMaildir;
    if (!options.hasOutput || (options.hasFormat && !folderFormat)) return true;
    std::string error;
    if (!MakeFolder(options.output, error)) {
        platform.Say(error);
        return false;
    }
    // The engine puts the name right behind SavePath: a folder needs its separator.
    if (!options.hasFormat) settings.SavePath = LocalFileSystem::AsFolder(settings.SavePath);
    return true;
}

// The files the export reads, standard input among them when it is a file.
void ProtectInputs(const CliOptions& options, const MessageStore& store, ProtectedFiles& inputs) {
    for (const std::string& file : store.InputFiles()) inputs.Add(file);
    if (std::find(options.inputs.begin(), options.inputs.end(), "-") != options.inputs.end()) {
        inputs.AddOpen(0);
    }
}

// Tells what the host met with its inputs; false when there was anything.
bool TellProblems(MessageStore& store, CliExportPlatform& platform) {
    std::vector<std::string> problems = store.TakeProblems();
    for (const std::string& problem : problems) platform.Say(TrProblem(problem));
    return problems.empty();
}

// "interrupted after D of N messages; W written" when stopped after D messages;
// a single file then stays as it was.
std::string InterruptedLine(const ExportReport& report, size_t done, size_t total) {
    if (report.messagesWritten == 0) {
        return Tr("interrupted after %1 of %2 messages; none written, the target left as it was",
                  {std::to_string(done), std::to_string(total)});
    }
    return Tr(
        "interrupted after %1 of %2 messages; %3 written",
        {std::to_string(done), std::to_string(total), std::to_string(report.messagesWritten)});
}

// The export's progress on the command line: a line on the terminal, each
// message that was too large named, the host's problems told as they come;
// Ctrl-C abandons the export after the message in hand.
class CliProgress : public ExportProgress {
  public:
    // `done` follows the messages through the export, written or failed.
    CliProgress(MessageStore& store, CliExportPlatform& platform, ProgressLine& line,
                bool& inputsOk, size_t& done)
        : store_(store), platform_(platform), line_(line), inputsOk_(inputsOk), done_(done) {}

    ExportStop Continue(const ExportReport&) override {
        return interrupted ? ExportStop::Abandon : ExportStop::No;
    }
    void MessageDone(const ExportReport& report) override {
        const size_t done = static_cast<size_t>(report.messagesWritten + report.messagesFailed);
        done_ = done;
        if (report.lastTooLarge && store_.Has(done - 1)) {
            platform_.Say(
                Tr("%1: too large to hold in memory, not exported", {store_.Name(done - 1)}));
        }
        if (done > 0 && store_.Has(done - 1)) bytes_ += store_.SizeHint(done - 1);
        line_.Update(done, bytes_, store_.KnownCount());
        inputsOk_ = TellProblems(store_, platform_) && inputsOk_;
    }

  private:
    MessageStore& store_;
    CliExportPlatform& platform_;
    ProgressLine& line_;
    bool& inputsOk_;
    size_t& done_;
    uint64_t bytes_ = 0;
};

// "exported W of N messages, C converted to Shift-JIS, R characters written as references"
// (to UTF-8: no references, but codes no character set defines, when there are any) and, when the
// format or --no-attach changed signed content, how many signatures that broke.
std::string ClosingLine(const ExportReport& report, size_t total, TargetCharset target) {
    const char* text = target == TargetCharset::kUtf8
                           ? "exported %1 of %2 messages, %3 converted to UTF-8"
                       : report.characterReferences == 1
                           ? "exported %1 of %2 messages, %3 converted to Shift-JIS, %4 character "
                             "written as a reference (&#NNNNN;)"
                           : "exported %1 of %2 messages, %3 converted to Shift-JIS, %4 characters "
                             "written as references (&#NNNNN;)";
    std::string line = Tr(text, {std::to_string(report.messagesWritten), std::to_string(total),
                                 std::to_string(report.messagesConverted),
                                 std::to_string(report.characterReferences)});
    if (target == TargetCharset::kUtf8 && report.characterReferences > 0) {
        const char* text = report.characterReferences == 1
                               ? ", %1 code no character set defines written as U+FFFD"
                               : ", %1 codes no character set defines written as U+FFFD";
        line += Tr(text, {std::to_string(report.characterReferences)});
    }
    if (report.signaturesBroken > 0) {
        const char* text = report.signaturesBroken == 1
                               ? ", %1 signed message changed: signature no longer verifies"
                               : ", %1 signed messages changed: signature no longer verifies";
        line += Tr(text, {std::to_string(report.signaturesBroken)});
    }
    if (report.partsUnconverted > 0) {
        const char* text = report.partsUnconverted == 1
                               ? ", %1 text part left as received: a converter failed on it"
                               : ", %1 text parts left as received: a converter failed on them";
        line += Tr(text, {std::to_string(report.partsUnconverted)});
    }
    return line;
}

int Run(const CliOptions& options) {
    CliExportPlatform platform(
        options, stderr, options.ifExists == IfExists::Ask && IsTerminal(stdin) ? stdin : nullptr);
    ExportSettings settings;
    if (!options.hasFormat && !PrepareSettings(options, settings, platform)) return kExitUsage;
    // From here on, also while standard input is read, the first message stops the run.
    // A signal the caller ignores (a background job's SIGINT) stays ignored.
    for (int signal : {SIGINT, SIGTERM}) {
        if (std::signal(signal, OnInterrupt) == SIG_IGN) std::signal(signal, SIG_IGN);
    }
    StoreHost host;
    bool inputsOk = LoadInputs(options, host.Messages(), platform);
    ProtectedFiles inputs;
    ProtectInputs(options, host.Messages(), inputs);
    platform.SetInputs(&inputs);
    const bool singleFile = WritesOneFile(options);
    const bool toStandardOutput = singleFile && options.output == kStandardStream;
    if (toStandardOutput ? inputs.HoldsOpen(1) : singleFile && inputs.Holds(options.output)) {
        platform.Say(Tr("%1: one of the inputs; nothing written", {options.output}));
        return kExitUsage;
    }
    if (singleFile && !toStandardOutput && IsFolder(options.output)) {
        platform.Say(
            Tr("%1: a folder; --format %2 writes one file: give its name with --output",
               {options.output, options.saveType == kSaveTypeMbox ? "mbox" : "separator"}));
        return kExitUsage;
    }
    // Mboxes are still being indexed: wait only for the first message here.
    if (!host.Messages().Has(0)) {
        TellProblems(host.Messages(), platform);
        platform.Say(Tr("no message to export"));
        return kExitFailed;
    }
    if (!options.hasFormat && !IsSaveType(settings.SaveType)) {
        platform.Say(Tr("SaveType %1 is not 103, 104 or 105: nothing exported",
                        {std::to_string(settings.SaveType)}));
        return kExitFailed;
    }
    if (!PrepareFolder(options, settings, platform)) return kExitFailed;
    ApplyCliExtras(options, settings);
    // The INI file's separator is Shift-JIS, as the plug-in stores it: to UTF-8 with the text.
    std::string separator;
    if (!options.hasFormat && settings.Target == TargetCharset::kUtf8 &&
        AppendShiftJisAsUtf8(settings.Separator, separator))
        settings.Separator.swap(separator);
    // ... and its name pattern, when names are made in UTF-8.
    std::string pattern;
    if (!options.hasFormat && !options.hasNamePattern && settings.Names == TargetCharset::kUtf8 &&
        AppendShiftJisAsUtf8(settings.FileNamePattern, pattern))
        settings.FileNamePattern.swap(pattern);
    HostApi api = BindHostApi(host);
    ExportDriver driver(api, platform);
    platform.SetReport(&driver.Report());
    ProgressLine progress(stderr, !options.quiet && IsTerminal(stderr));
    size_t done = 0;
    platform.SetProgress(
        std::make_unique<CliProgress>(host.Messages(), platform, progress, inputsOk, done));
    ExportFormat chosen;
    chosen.SaveType = kSaveTypeUnset;
    if (options.hasFormat)
        driver.ExportChosenFormat(nullptr, chosen, settings.SavePath);
    else
        driver.ExportStoredFormat(nullptr, settings);
    progress.Finish();
    const size_t total = host.Messages().Count();
    inputsOk = TellProblems(host.Messages(), platform) && inputsOk;
    const ExportReport& report = driver.Report();
    if (platform.Cancelled()) return kExitFailed;
    const bool allWritten = !report.errorShown && report.messagesFailed == 0 &&
                            static_cast<size_t>(report.messagesWritten) >= total;
    if (report.stopped) {
        platform.Say(InterruptedLine(report, done, total));
        return 128 + (interrupted ? interrupted : SIGINT);
    }
    // The closing line: always on trouble, else unless --quiet.
    if (!allWritten || !inputsOk || !options.quiet) {
        platform.Say(ClosingLine(report, total, options.target));
        if (report.messagesWithoutDate > 0) {
            platform.Say(Tr("%1 message(s) have no usable Date: their files keep the export time",
                            {std::to_string(report.messagesWithoutDate)}));
        }
    }
    if (report.filesUndated > 0) {
        platform.Say(Tr("%1 file(s) keep the export time: the system refused the mail's date",
                        {std::to_string(report.filesUndated)}));
    }
    if (!allWritten) return kExitFailed;
    return inputsOk ? kExitOk : kExitFailed;
}

int Main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    UseCliTexts(argc > 0 ? argv[0] : "");
    UseBinaryStandardStreams();
#ifdef SIGPIPE
    // A closed pipe on standard output is a failed write, told as any other.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    CliOptions options;
    std::string error;
    StandardStreams streams;
    streams.inputIsTerminal = IsTerminal(stdin);
    streams.outputIsTerminal = IsTerminal(stdout);
    if (!ParseCliOptions(argc, argv, streams, options, error)) {
        std::fprintf(stderr, "tessera-export: %s\n%s\n", SystemToConsole(error).c_str(),
                     SystemToConsole(Tr("Try 'tessera-export --help'.")).c_str());
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(SystemToConsole(CliUsage()).c_str(), stdout);
        return kExitOk;
    }
    if (options.version) {
        std::printf("tessera-export %s\n", kCliVersion);
        return kExitOk;
    }
    return Run(options);
}

}  // namespace

// Whatever fails, out of memory included, is told and ends the run with status 1.
int main(int argc, char** argv) {
    try {
        return Main(argc, argv);
    } catch (const std::bad_alloc&) {
        // Told without more memory: the texts are not looked up.
        std::fputs("tessera-export: out of memory; the export stopped\n", stderr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tessera-export: %s\n",
                     SystemToConsole(Tr("%1; the export stopped", {e.what()})).c_str());
    } catch (...) {
        std::fprintf(stderr, "tessera-export: %s\n",
                     SystemToConsole(Tr("unexpected failure; the export stopped")).c_str());
    }
    return kExitFailed;
}
