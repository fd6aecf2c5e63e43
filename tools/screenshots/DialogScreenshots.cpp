// dialog-screenshots: poses each dialog of the plug-in for
// scripts/screenshots.sh (tools/screenshots/WindowPoser.h), then cancels it.
// Usage: dialog-screenshots OUTPUT-DIR   (run beside Tessera.dll)
#include <windows.h>

#include <cstdio>
#include <string>

#include "dialogs/ExportFormatDialog_win.h"
#include "dialogs/OverwriteDialog_win.h"
#include "dialogs/ResourceModule_win.h"
#include "dialogs/SettingsDialog_win.h"
#include "tools/screenshots/WindowPoser.h"

using namespace tessera;

namespace {

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
    bool ok = PoseDialog(dir, "export-format", formatCaption, IDCANCEL,
                         [&] { ShowExportFormatDialog(nullptr, format); });
    ok &= PoseDialog(dir, "settings", settingsCaption, IDCANCEL,
                     [&] { ShowSettingsDialog(nullptr, settings); });
    ok &= PoseDialog(dir, "overwrite", overwriteCaption, IDCANCEL,
                     [&] { ShowOverwriteDialog(nullptr, LongPath(85)); });
    ok &= PoseDialog(dir, "overwrite-long", overwriteCaption, IDCANCEL,
                     [&] { ShowOverwriteDialog(nullptr, LongPath(259)); });
    FreeLibrary(plugin);
    return ok ? 0 : 1;
}
