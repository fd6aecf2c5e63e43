// progress-screenshots: poses the progress window and the summary of a long
// export for scripts/screenshots.sh (tools/screenshots/WindowPoser.h). The
// real plug-in, in a folder of its own under OUTPUT-DIR, exports the samples
// as .eml files from a slow host in this process; one message cannot be had.
// Usage: progress-screenshots OUTPUT-DIR SAMPLES-DIR   (run beside Tessera.dll)
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/SimulatedHost.h"
#include "tools/screenshots/WindowPoser.h"
#include "tools/simhost/PluginHost.h"
#include "tools/simhost/ProgressCanceller.h"

using namespace tessera;

namespace {

constexpr int kSourceDelayMs = 60;
// Far enough into the export that the bar has moved.
constexpr long kPoseAtSource = 21;

std::string ExeFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

// Copies Tessera.dll into <dir>\plugin\ with an INI that exports .eml files
// into <dir>\out\; the path of the copy, or empty.
std::string PreparePlugin(const std::string& dir) {
    const std::string folder = dir + "\\plugin\\", out = dir + "\\out\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA(out.c_str(), nullptr);
    if (!CopyFileA((ExeFolder() + "Tessera.dll").c_str(), (folder + "Tessera.dll").c_str(), FALSE))
        return std::string();
    const std::string ini = "[SETTING]\r\nSavePath=" + out + "\r\nSaveType=104\r\n";
    FILE* file = std::fopen((folder + "Tessera.ini").c_str(), "wb");
    if (!file) return std::string();
    bool written = std::fwrite(ini.data(), 1, ini.size(), file) == ini.size();
    if (std::fclose(file) != 0 || !written) return std::string();
    return folder + "Tessera.dll";
}

// Four times eight samples: long enough for the window and a moved bar.
bool AddSamples(const std::string& samples) {
    const std::vector<std::string> names = {
        "01-meeting.eml",     "02-euc-notice.eml", "03-report-attachment.eml",
        "04-alternative.eml", "08-q-encoded.eml",  "09-hankaku.eml",
        "12-utf8.eml",        "05-from-line.eml"};
    for (int round = 0; round < 4; ++round) {
        for (const std::string& name : names) {
            std::string error;
            if (SimulatedHost::Instance().Messages().AddPath(samples + "\\" + name, error))
                continue;
            std::fprintf(stderr, "progress-screenshots: %s\n", error.c_str());
            return false;
        }
    }
    return true;
}

// Runs the stored-format command, posing the progress window on the way and
// the summary at the end.
bool PoseExport(const std::string& dir) {
    SimulatedHost& host = SimulatedHost::Instance();
    host.SetSourceDelay(kSourceDelayMs);
    host.Faults().Add("BKA_GetSource:3");  // the third message cannot be had
    ProgressCanceller watch;
    bool seen = false, captured = false;
    host.SetSourceObserver([&](long index) {
        if (seen || index < kPoseAtSource || !watch.Window()) return;
        seen = true;
        captured = AwaitCapture(dir, "progress", watch.Window());
    });
    bool summary = PoseDialog(dir, "summary", "エクスポート完了", IDOK,
                              [] { PluginHost::Instance().InvokeCommand(1); });
    host.SetSourceObserver(nullptr);
    if (!captured) {
        std::fprintf(stderr, "progress-screenshots: the progress window %s\n",
                     seen ? "was not captured" : "never showed");
    }
    return captured && summary;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: progress-screenshots OUTPUT-DIR SAMPLES-DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::string module = PreparePlugin(dir);
    if (module.empty()) {
        std::fprintf(stderr, "progress-screenshots: cannot set up Tessera.dll in %s (%lu)\n",
                     dir.c_str(), GetLastError());
        return 1;
    }
    if (!AddSamples(argv[2])) return 1;
    PluginHost& plugin = PluginHost::Instance();
    plugin.CreateMainWindow(true);
    DWORD error = 0;
    if (!plugin.Load(module, &error)) {
        std::fprintf(stderr, "progress-screenshots: the plug-in refused to load (%lu)\n", error);
        return 1;
    }
    plugin.CallMenuInit(0);
    bool ok = PoseExport(dir);
    plugin.CallExit();
    plugin.Unload();
    return ok ? 0 : 1;
}
