// Not a check: poses the progress window and the summary of a long export for
// scripts/screenshots.sh, which sets TESSERA_SHOT_DIR and captures the screen
// while a window waits. The real plug-in exports the samples from a slow
// host, one of them failing. Without the variable the run is skipped.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "host/SimulatedHost.h"
#include "tests/wine/support/DialogDriver.h"
#include "tests/wine/support/PluginFixture.h"
#include "tools/simhost/ProgressCanceller.h"

using namespace tessera;
using namespace tessera::testing;

namespace {

constexpr DWORD kPoseMs = 60000;

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Writes <dir>\<name>.rect with the window's screen rectangle, then waits for
// the script's <dir>\<name>.done, turning this thread's queue meanwhile so
// that a window of this thread stays drawn.
void Pose(const std::string& dir, const std::string& name, HWND window) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    RECT rect = {};
    GetWindowRect(window, &rect);
    FILE* file = std::fopen((dir + "\\" + name + ".rect").c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fprintf(file, "%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
    std::fclose(file);
    DWORD start = GetTickCount();
    while (!Exists(dir + "\\" + name + ".done") && GetTickCount() - start < kPoseMs) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
    EXPECT_TRUE(Exists(dir + "\\" + name + ".done")) << "no capture of " << name;
}

TEST(ProgressScreenshots, PoseTheWindowAndTheSummary) {
    const char* dir = std::getenv("TESSERA_SHOT_DIR");
    if (!dir || !*dir)
        GTEST_SKIP() << "TESSERA_SHOT_DIR is not set; scripts/screenshots.sh sets it";
    PluginFixture plugin;
    std::string out = NewTempFolder("shot");
    plugin.WriteIni("[SETTING]\r\nSavePath=" + out + "\r\nSaveType=104\r\n");
    ASSERT_TRUE(plugin.Load());
    ASSERT_EQ(plugin.Host().CallMenuInit(0), 0);
    const std::vector<std::string> samples = {
        "01-meeting.eml",     "02-euc-notice.eml", "03-report-attachment.eml",
        "04-alternative.eml", "08-q-encoded.eml",  "09-hankaku.eml",
        "12-utf8.eml",        "05-from-line.eml"};
    for (int i = 0; i < 4; ++i) plugin.AddSamples(samples);
    SimulatedHost& host = SimulatedHost::Instance();
    host.SetSourceDelay(60);
    host.Faults().Add("BKA_GetSource:5");  // the third message cannot be had
    ProgressCanceller watch;
    bool posed = false;
    host.SetSourceObserver([&](long index) {
        if (posed || index < 21 || !watch.Window()) return;
        posed = true;
        Pose(dir, "progress", watch.Window());
    });
    std::thread driver([&] {
        HWND box =
            test::WaitForDialog(GetWindowThreadProcessId(plugin.Host().MainWindow(), nullptr),
                                "エクスポート完了", kPoseMs);
        ASSERT_NE(box, nullptr);
        Pose(dir, "summary", box);
        test::Click(box, IDOK);
    });
    ASSERT_TRUE(plugin.Host().InvokeCommand(1));
    driver.join();
    host.SetSourceObserver(nullptr);
    EXPECT_TRUE(posed);
    EXPECT_EQ(plugin.Host().CallExit(), 0);
}

}  // namespace
