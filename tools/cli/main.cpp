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
#include <new>
#include <string>

#include "export/ExportDriver.h"
#include "host/MboxFraming.h"
#include "host/SimulatedHost.h"
#include "platform/Console.h"
#include "platform/LocalFileSystem.h"
#include "settings/SettingsStore.h"
#include "tools/cli/CliExportPlatform.h"
#include "tools/cli/CliOptions.h"
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
        platform.Say(text.substr(start, end - start));
        start = end + 1;
    }
}

// A message piped from a mail filter may start with its mbox envelope line,
// which is framing, not part of the message.
void DropEnvelopeLine(std::string& text) {
    if (!IsEnvelopeLine(text.data(), text.size())) return;
    size_t eol = text.find('\n');
    text.erase(0, eol == std::string::npos ? text.size() : eol + 1);
}

// Ctrl-C or SIGTERM stops the export after the message in hand, cleanly (a
// replacement is dropped, an append cut back); a second one ends the process.
volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int signal) {
    if (interrupted) std::_Exit(128 + signal);
    interrupted = 1;
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
        std::string text((std::istreambuf_iterator<char>(std::cin)),
                         std::istreambuf_iterator<char>());
        DropEnvelopeLine(text);
        if (text.empty()) {
            platform.Say("-: empty standard input, not a message");
            ok = false;
            continue;
        }
        store.AddText("-", std::move(text));
    }
    return ok;
}

// The stored settings of the plug-in, or of --settings; --output replaces SavePath.
bool PrepareSettings(const CliOptions& options, ExportSettings& settings,
                     CliExportPlatform& platform) {
    if (!options.settingsFile.empty()) {
        if (access(options.settingsFile.c_str(), R_OK) != 0) {
            platform.Say(options.settingsFile + ": settings file cannot be read");
            return false;
        }
        settings = LoadSettingsFile(options.settingsFile);
    }
    if (options.hasOutput) {
        settings.SavePath = options.output;
        return true;
    }
    if (LocalFileSystem::IsPathOfThisSystem(settings.SavePath)) return true;
    platform.Say("SavePath '" + settings.SavePath + "' of " + options.settingsFile +
                 " is a Windows path, no path of this system: give --output");
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
    for (const std::string& problem : problems) platform.Say(problem);
    return problems.empty();
}

// "exported W of N messages, C converted to Shift-JIS, R characters written as references"
std::string ClosingLine(const ExportReport& report, size_t total) {
    const bool one = report.characterReferences == 1;
    return "exported " + std::to_string(report.messagesWritten) + " of " + std::to_string(total) +
           " messages, " + std::to_string(report.messagesConverted) + " converted to Shift-JIS, " +
           std::to_string(report.characterReferences) +
           (one ? " character written as a reference" : " characters written as references") +
           " (&#NNNNN;)";
}

int Run(const CliOptions& options) {
    CliExportPlatform platform(
        options, stderr, options.ifExists == IfExists::Ask && IsTerminal(stdin) ? stdin : nullptr);
    ExportSettings settings;
    if (!options.hasFormat && !PrepareSettings(options, settings, platform)) return kExitUsage;
    SimulatedHost& host = SimulatedHost::Instance();
    bool inputsOk = LoadInputs(options, host.Messages(), platform);
    ProtectedFiles inputs;
    ProtectInputs(options, host.Messages(), inputs);
    platform.SetInputs(&inputs);
    if (options.hasFormat && options.saveType != kSaveTypeEml &&
        options.saveType != kSaveTypeMaildir && inputs.Holds(options.output)) {
        platform.Say(options.output + ": one of the inputs; nothing written");
        return kExitUsage;
    }
    // Mboxes are still being indexed: wait only for the first message here.
    if (!host.Messages().Has(0)) {
        TellProblems(host.Messages(), platform);
        platform.Say("no message to export");
        return kExitFailed;
    }
    if (!options.hasFormat && !IsSaveType(settings.SaveType)) {
        platform.Say("SaveType " + std::to_string(settings.SaveType) +
                     " is not 103, 104 or 105: nothing exported");
        return kExitFailed;
    }
    if (!PrepareFolder(options, settings, platform)) return kExitFailed;
    ApplyCliExtras(options, settings);
    HostApi api = MakeSimulatedHostApi();
    ExportDriver driver(api, platform);
    ProgressLine progress(stderr, !options.quiet && IsTerminal(stderr));
    uint64_t bytes = 0;
    driver.SetProgress([&](const ExportReport& report) {
        size_t done = static_cast<size_t>(report.messagesWritten + report.messagesFailed);
        if (report.lastTooLarge && host.Messages().Has(done - 1)) {
            platform.Say(host.Messages().Name(done - 1) +
                         ": too large to hold in memory, not exported");
        }
        if (done > 0 && host.Messages().Has(done - 1)) bytes += host.Messages().SizeHint(done - 1);
        progress.Update(done, bytes, host.Messages().KnownCount());
        inputsOk = TellProblems(host.Messages(), platform) && inputsOk;
        if (interrupted) driver.Stop();
    });
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
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
    if (report.stopped) platform.Say("interrupted");
    const bool allWritten = !report.errorShown && report.messagesFailed == 0 &&
                            static_cast<size_t>(report.messagesWritten) >= total;
    // The closing line: always on trouble, else unless --quiet.
    if (!allWritten || !inputsOk || !options.quiet) platform.Say(ClosingLine(report, total));
    if (report.filesUndated > 0) {
        platform.Say(std::to_string(report.filesUndated) +
                     " file(s) keep the export time: the system refused the mail's date");
    }
    if (!allWritten) return kExitFailed;
    return inputsOk ? kExitOk : kExitFailed;
}

int Main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    UseBinaryStandardStreams();
    CliOptions options;
    std::string error;
    if (!ParseCliOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "tessera-export: %s\nTry 'tessera-export --help'.\n", error.c_str());
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(CliUsage(), stdout);
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
        std::fputs("tessera-export: out of memory; the export stopped\n", stderr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tessera-export: %s; the export stopped\n", e.what());
    } catch (...) {
        std::fputs("tessera-export: unexpected failure; the export stopped\n", stderr);
    }
    return kExitFailed;
}
