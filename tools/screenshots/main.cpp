// dialog-screenshots: poses each dialog of the plug-in for
// scripts/screenshots.sh. For every pose it writes <dir>\<name>.rect with the
// dialog's screen rectangle, waits for the script to capture the screen and
// answer with <dir>\<name>.done, then cancels the dialog.
// Usage: dialog-screenshots OUTPUT-DIR   (run beside Tessera.dll)
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "dialogs/ExportFormatDialog_win.h"
#include "dialogs/OverwriteDialog_win.h"
#include "dialogs/ResourceModule_win.h"
#include "dialogs/SettingsDialog_win.h"

using namespace tessera;

namespace {

constexpr DWORD kWaitMs = 60000;
constexpr DWORD kPollMs = 50;

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WaitFor(const std::function<bool()>& condition) {
    for (DWORD waited = 0; waited < kWaitMs; waited += kPollMs) {
        if (condition()) return true;
        Sleep(kPollMs);
    }
    return false;
}

struct Found {
    std::string caption;
    HWND dialog = nullptr;
};

BOOL CALLBACK FindCaptioned(HWND window, LPARAM data) {
    auto* found = reinterpret_cast<Found*>(data);
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    if (!IsWindowVisible(window) || found->caption != text) return TRUE;
    found->dialog = window;
    return FALSE;
}

bool WriteRect(const std::string& path, HWND dialog) {
    RECT rect = {};
    GetWindowRect(dialog, &rect);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    std::fprintf(file, "%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
    return std::fclose(file) == 0;
}

// Shows a dialog with `show` on this thread while a second thread finds it by
// its caption, hands it to the script and cancels it. False when the dialog
// never showed or the script never captured it.
bool Pose(const std::string& dir, const std::string& name, const std::string& caption,
          const std::function<int()>& show) {
    DWORD ui = GetCurrentThreadId();
    bool posed = false;
    std::thread poser([&] {
        Found found{caption};
        bool shown = WaitFor([&] {
            EnumThreadWindows(ui, FindCaptioned, reinterpret_cast<LPARAM>(&found));
            return found.dialog != nullptr;
        });
        if (!shown) return;
        RedrawWindow(found.dialog, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        posed = WriteRect(dir + "\\" + name + ".rect", found.dialog) &&
                WaitFor([&] { return Exists(dir + "\\" + name + ".done"); });
        PostMessageA(found.dialog, WM_COMMAND, IDCANCEL, 0);
    });
    show();
    poser.join();
    if (!posed) std::fprintf(stderr, "dialog-screenshots: %s was not captured\n", name.c_str());
    return posed;
}

// A path of `size` bytes in a Japanese mail folder.
std::string LongPath(size_t size) {
    // "C:\...\Mail\受信箱\" and "2024年度のお知らせとご案内について（重要）.txt"
    const std::string folder = "C:\\Users\\tessera\\Documents\\Mail\\\x8E\xF3\x90M\x94\xA0\\";
    const std::string file =
        "2024\x94N\x93x\x82\xCC\x82\xA8\x92m\x82\xE7\x82\xB9\x82\xC6\x82\xB2\x88\xC4\x93\xE0"
        "\x82\xC9\x82\xC2\x82\xA2\x82\xC4\x81i\x8F"
        "d\x97v\x81j.txt";
    std::string path = folder;
    // "アーカイブ\" as often as it takes, then filler up to the size.
    const std::string archive =
        "\x83\x41\x81[\x83J\x83"
        "C\x83u\\";
    while (path.size() + archive.size() + file.size() <= size) path += archive;
    path.append(size > path.size() + file.size() ? size - path.size() - file.size() : 0, 'x');
    return path + file;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: dialog-screenshots OUTPUT-DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    // Only its templates and strings are needed: it is not started without a host.
    HMODULE plugin = LoadLibraryExA("Tessera.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!plugin) {
        std::fprintf(stderr, "dialog-screenshots: cannot load Tessera.dll (%lu)\n", GetLastError());
        return 1;
    }
    SetResourceModule(plugin);
    // "エクスポートフォーマット", "設定", "確認"
    const std::string formatCaption =
        "\x83G\x83N\x83X\x83|\x81[\x83g\x83t\x83H\x81[\x83}\x83"
        "b\x83g";
    const std::string settingsCaption = "\x90\xDD\x92\xE8";
    const std::string overwriteCaption =
        "\x8Am\x94"
        "F";
    ExportFormat format;
    format.SaveType = kSaveTypeSeparator;
    format.Separator = "----- cut here -----";
    format.NoAttach = true;
    format.Convert = true;
    ExportSettings settings;
    settings.SavePath = "C:\\Users\\tessera\\Documents\\Mail\\";
    bool ok = Pose(dir, "export-format", formatCaption,
                   [&] { return ShowExportFormatDialog(nullptr, format); });
    ok &= Pose(dir, "settings", settingsCaption,
               [&] { return ShowSettingsDialog(nullptr, settings); });
    ok &= Pose(dir, "overwrite", overwriteCaption,
               [&] { return ShowOverwriteDialog(nullptr, LongPath(85)); });
    ok &= Pose(dir, "overwrite-long", overwriteCaption,
               [&] { return ShowOverwriteDialog(nullptr, LongPath(259)); });
    FreeLibrary(plugin);
    return ok ? 0 : 1;
}
