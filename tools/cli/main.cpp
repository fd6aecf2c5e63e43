// tessera-export: the plug-in's export flow on the command line. The flow is
// ExportDriver's; this file only reads the inputs and options and reports.
#include <clocale>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "export/ExportDriver.h"
#include "host/SimulatedHost.h"
#include "settings/SettingsStore.h"
#include "tools/cli/CliOptions.h"
#include "tools/cli/PosixExportPlatform.h"
#include "tools/cli/ProgressLine.h"

using namespace tessera;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

bool IsDirectory(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Adds every input to the host's messages; false when any could not be read.
bool LoadInputs(const CliOptions& options, MessageStore& store, PosixExportPlatform& platform) {
    bool ok = true;
    for (const std::string& input : options.inputs) {
        std::string error;
        if (input != "-") {
            if (!store.AddPath(input, error)) {
                platform.Say(error);
                ok = false;
            }
            continue;
        }
        std::string text((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
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
bool PrepareSettings(const CliOptions& options, ExportSettings& settings, PosixExportPlatform& platform) {
    if (!options.settingsFile.empty()) {
        if (access(options.settingsFile.c_str(), R_OK) != 0) {
            platform.Say(options.settingsFile + ": settings file cannot be read");
            return false;
        }
        settings = LoadSettingsFile(options.settingsFile);
    }
    if (!options.hasOutput) return true;
    settings.SavePath = options.output;
    // The engine puts the name right behind SavePath: a folder needs its '/'.
    if (settings.SavePath.back() != '/' && IsDirectory(settings.SavePath)) settings.SavePath += '/';
    return true;
}

int Run(const CliOptions& options) {
    PosixExportPlatform platform(options, stderr,
                                 options.ifExists == IfExists::Ask && isatty(0) ? stdin : nullptr);
    ExportSettings settings;
    if (!options.hasFormat && !PrepareSettings(options, settings, platform)) return kExitUsage;
    SimulatedHost& host = SimulatedHost::Instance();
    bool inputsOk = LoadInputs(options, host.Messages(), platform);
    // Mboxes are still being indexed: wait only for the first message here.
    if (!host.Messages().Has(0)) {
        platform.Say("no message to export");
        return kExitFailed;
    }
    if (!options.hasFormat && !IsSaveType(settings.SaveType)) {
        platform.Say("SaveType " + std::to_string(settings.SaveType) +
                     " is not 103, 104 or 105: nothing exported");
        return kExitFailed;
    }
    HostApi api = MakeSimulatedHostApi();
    ExportDriver driver(api, platform);
    ProgressLine progress(stderr, !options.quiet && isatty(2));
    uint64_t bytes = 0;
    driver.SetProgress([&](const ExportReport& report) {
        size_t done = static_cast<size_t>(report.messagesWritten + report.messagesFailed);
        if (report.lastTooLarge && host.Messages().Has(done - 1)) {
            platform.Say(host.Messages().Name(done - 1) + ": too large to hold in memory, not exported");
        }
        if (done > 0 && host.Messages().Has(done - 1)) bytes += host.Messages().SizeHint(done - 1);
        progress.Update(done, bytes, host.Messages().KnownCount());
    });
    ExportFormat chosen;
    chosen.SaveType = kSaveTypeUnset;
    if (options.hasFormat) driver.ExportChosenFormat(nullptr, chosen, settings.SavePath);
    else driver.ExportStoredFormat(nullptr, settings);
    progress.Finish();
    const size_t total = host.Messages().Count();
    const ExportReport& report = driver.Report();
    if (platform.Cancelled()) return kExitFailed;
    if (report.errorShown || report.messagesFailed > 0 ||
        static_cast<size_t>(report.messagesWritten) < total) {
        platform.Say("exported " + std::to_string(report.messagesWritten) + " of " +
                     std::to_string(total) + " messages");
        return kExitFailed;
    }
    return inputsOk ? kExitOk : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
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
