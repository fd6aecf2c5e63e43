// simhost: plays the mail client for the plug-in. Loads the plug-in, serves
// the messages named on the command line, runs the actions asked for and
// prints what happened.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/SimulatedHost.h"
#include "tools/simhost/CommandTimer.h"
#include "tools/simhost/MessageBoxAnswerer.h"
#include "tools/simhost/PluginHost.h"
#include "tools/simhost/ProgressCanceller.h"

using namespace tessera;

namespace {

const char kUsage[] =
    "usage: simhost --plugin DLL [--no-anchor] [--no-selection] [--fail NAME:N[,M]|NAME:*]...\n"
    "               [--slow MS] [--cancel-after N] [--time] [--probe-window]\n"
    "               [--do ACTION[,ACTION...]]\n"
    "               [MESSAGE-FILE|MBOX|MAILDIR]...\n"
    "  --slow MS         sleep MS milliseconds in each BKA_GetSource (a long export)\n"
    "  --cancel-after N  press the progress window's Cancel while message N is exported\n"
    "  --time            print each command's time, to the end of its export\n"
    "  --probe-window    print how long the progress window took to answer, at worst,\n"
    "                    and the longest BKA_GetSource (which no plug-in can interrupt)\n"
    "actions (default info,menu-init,menu,exit,buffers):\n"
    "  info            print the plug-in's info record\n"
    "  menu-init[=K]   call BKC_OnMenuInit with menu kind K (default 0)\n"
    "  menu            print the items of the first submenu\n"
    "  ui              print each registered command's UI state\n"
    "  stored | ask    run the stored-format or the asking export command\n"
    "  setup           call BKC_OnPlugInSetup\n"
    "  exit            call BKC_OnExit\n"
    "  buffers         print host-buffer counts (allocated, released, live, bad)\n";

struct Options {
    std::string plugin;
    bool anchor = true;
    long cancelAfter = 0;
    bool timing = false;
    bool probe = false;
    std::vector<std::string> actions;
    std::vector<std::string> inputs;
};

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t pos = 0;
    while (true) {
        size_t next = text.find(separator, pos);
        parts.push_back(text.substr(pos, next == std::string::npos ? next : next - pos));
        if (next == std::string::npos) return parts;
        pos = next + 1;
    }
}

// A whole non-negative number, or -1.
long Count(const char* text) {
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && value >= 0 && value <= 3600000 ? value : -1;
}

bool ParseOptions(int argc, char** argv, Options& options) {
    SimulatedHost& host = SimulatedHost::Instance();
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--plugin" && hasValue) {
            options.plugin = argv[++i];
        } else if (arg == "--no-anchor") {
            options.anchor = false;
        } else if (arg == "--no-selection") {
            host.SetSelectionActive(false);
        } else if (arg == "--fail" && hasValue) {
            if (!host.Faults().Add(argv[++i])) return false;
        } else if (arg == "--slow" && hasValue) {
            long ms = Count(argv[++i]);
            if (ms < 0) return false;
            host.SetSourceDelay(static_cast<int>(ms));
        } else if (arg == "--cancel-after" && hasValue) {
            options.cancelAfter = Count(argv[++i]);
            if (options.cancelAfter < 1) return false;
        } else if (arg == "--time") {
            options.timing = true;
        } else if (arg == "--probe-window") {
            options.probe = true;
        } else if (arg == "--do" && hasValue) {
            options.actions = Split(argv[++i], ',');
        } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
            return false;
        } else {
            options.inputs.push_back(arg);
        }
    }
    if (options.actions.empty()) options.actions = {"info", "menu-init", "menu", "exit", "buffers"};
    return !options.plugin.empty();
}

void PrintInfo(PluginHost& plugin) {
    char record[320];
    std::memset(record, 'X', sizeof record);
    int result = plugin.CallInfo(record);
    const char* labels[] = {"title", "author", "version", "description"};
    for (int i = 0; i < 4; ++i) std::printf("info %s: %.79s\n", labels[i], record + i * 80);
    std::printf("info result: %d\n", result);
}

void PrintBoxes(MessageBoxAnswerer& boxes) {
    for (std::string text : boxes.TakeTexts()) {
        for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at)) {
            text.replace(at, 1, " | ");
        }
        std::printf("message box: %s\n", text.c_str());
    }
}

bool RunAction(const std::string& action, PluginHost& plugin, MessageBoxAnswerer& boxes,
               const Options& options) {
    SimulatedHost& host = SimulatedHost::Instance();
    if (action == "info") {
        PrintInfo(plugin);
    } else if (action.rfind("menu-init", 0) == 0) {
        int kind = action.size() > 10 ? std::atoi(action.c_str() + 10) : 0;
        std::printf("menu-init %d: %d\n", kind, plugin.CallMenuInit(kind));
    } else if (action == "menu") {
        for (const MenuEntry& item : plugin.SubMenuItems())
            std::printf("menu item %u: %s\n", item.id, item.caption.c_str());
    } else if (action == "ui") {
        for (size_t i = 0; i < plugin.Commands().size(); ++i)
            std::printf("ui %s: %d\n", plugin.Commands()[i].name.c_str(), plugin.QueryUI(i));
    } else if (action == "ask" || action == "stored") {
        ProgressCanceller progress(options.cancelAfter, options.probe);
        CommandTimer timer;
        // Registration order: the asking command first, then the stored-format one.
        bool ok = plugin.InvokeCommand(action == "ask" ? 0 : 1);
        double ms = timer.Milliseconds();
        std::printf("command %s: %s\n", action.c_str(), ok ? "run" : "not registered");
        if (options.timing) std::printf("command time: %.1f ms\n", ms);
        if (progress.Seen()) std::printf("progress window: shown\n");
        if (progress.Seen() && options.probe) {
            std::printf("progress window: answered within %lu ms\n",
                        static_cast<unsigned long>(progress.LongestWaitMs()));
        }
        if (options.probe) std::printf("host fetch: longest %.0f ms\n", host.LongestSourceMs());
        if (progress.Pressed()) std::printf("progress window: cancel pressed\n");
        PrintBoxes(boxes);
    } else if (action == "setup") {
        std::printf("setup: %d\n", plugin.CallSetup());
    } else if (action == "exit") {
        std::printf("exit: %d\n", plugin.CallExit());
    } else if (action == "buffers") {
        BufferTracker& b = host.Buffers();
        std::printf("buffers: allocated %zu released %zu live %zu bad %zu\n", b.Allocated(),
                    b.Released(), b.Live(), b.BadReleases());
    } else {
        std::fprintf(stderr, "simhost: unknown action '%s'\n", action.c_str());
        return false;
    }
    std::fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    int status = 0;
    for (const std::string& input : options.inputs) {
        std::string error;
        if (!SimulatedHost::Instance().Messages().AddPath(input, error)) {
            std::fprintf(stderr, "simhost: %s\n", error.c_str());
            status = 1;
        }
    }
    PluginHost& plugin = PluginHost::Instance();
    plugin.CreateMainWindow(options.anchor);
    DWORD error = 0;
    if (!plugin.Load(options.plugin, &error)) {
        std::printf("load: refused (error %lu)\n", error);
        return 3;
    }
    std::printf("load: ok, %zu message(s)\n", SimulatedHost::Instance().Messages().Count());
    MessageBoxAnswerer boxes;
    for (const std::string& action : options.actions) {
        if (!RunAction(action, plugin, boxes, options)) return 2;
    }
    plugin.Unload();
    for (const std::string& problem : SimulatedHost::Instance().Messages().TakeProblems()) {
        std::fprintf(stderr, "simhost: %s\n", problem.c_str());
        status = 1;
    }
    return status;
}
