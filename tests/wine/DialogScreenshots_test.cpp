// Not a check: poses each dialog for scripts/screenshots.sh, which sets
// TESSERA_SHOT_DIR and captures the screen while a dialog waits. Without the
// variable the run is skipped.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "dialogs/ExportFormatDialog_win.h"
#include "dialogs/OverwriteDialog_win.h"
#include "dialogs/SettingsDialog_win.h"
#include "dialogs/ResourceModule_win.h"
#include "tests/wine/support/DialogDriver.h"

namespace tessera {

namespace {
HMODULE g_plugin = nullptr;
}

namespace {

constexpr DWORD kPoseMs = 60000;

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Writes <dir>\<name>.rect with the dialog's screen rectangle, then waits
// for the script to answer with <dir>\<name>.done.
void Pose(const std::string& dir, const std::string& name, HWND dialog) {
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    RECT rect = {};
    GetWindowRect(dialog, &rect);
    std::string rectPath = dir + "\\" + name + ".rect";
    FILE* file = std::fopen(rectPath.c_str(), "wb");
    ASSERT_NE(file, nullptr) << rectPath;
    std::fprintf(file, "%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
    std::fclose(file);
    EXPECT_TRUE(test::WaitUntil([&] { return Exists(dir + "\\" + name + ".done"); }, kPoseMs))
        << "no capture of " << name;
}

INT_PTR PoseDialog(const std::string& dir, const std::string& name, const std::string& caption,
                   const std::function<INT_PTR()>& show,
                   const std::function<void(HWND)>& prepare) {
    return test::RunDriven(show, [&](DWORD ui) {
        HWND d = test::WaitForDialog(ui, caption);
        ASSERT_NE(d, nullptr) << name;
        prepare(d);
        Pose(dir, name, d);
        test::Click(d, IDCANCEL);
    });
}

TEST(DialogScreenshots, PoseEachDialog) {
    const char* dir = std::getenv("TESSERA_SHOT_DIR");
    if (!dir || !*dir) GTEST_SKIP() << "TESSERA_SHOT_DIR is not set; scripts/screenshots.sh sets it";
    g_plugin = LoadLibraryA("Tessera.dll");
    ASSERT_NE(g_plugin, nullptr);
    SetResourceModule(g_plugin);
    // "C:\Mail\受信箱\2024年度のお知らせとご案内について（重要）.txt"
    const std::string path =
        "C:\\Users\\tessera\\Documents\\Mail\\\x8E\xF3\x90M\x94\xA0\\2024\x94N\x93x\x82\xCC"
        "\x82\xA8\x92m\x82\xE7\x82\xB9\x82\xC6\x82\xB2\x88\xC4\x93\xE0\x82\xC9\x82\xC2\x82\xA2"
        "\x82\xC4\x81i\x8F" "d\x97v\x81j.txt";
    ExportFormatDialog format(105, true, "----- cut here -----", true);
    PoseDialog(dir, "export-format", "\x83G\x83N\x83X\x83|\x81[\x83g\x83t\x83H\x81[\x83}\x83" "b\x83g",
               [&] { return format.Run(nullptr); }, [](HWND) {});
    SettingsDialog settings("C:\\Users\\tessera\\Documents\\Mail\\", "", false, 103, false);
    PoseDialog(dir, "settings", "\x90\xDD\x92\xE8", [&] { return settings.Run(nullptr); },
               [](HWND) {});
    OverwriteDialog overwrite(path);
    PoseDialog(dir, "overwrite", "\x8Am\x94" "F", [&] { return overwrite.Run(nullptr); },
               [](HWND) {});
}

}  // namespace
}  // namespace tessera
