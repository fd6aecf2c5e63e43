// The progress window of long exports, with the real plug-in in this process
// as host: when it shows and over what, and host calls that arrive while the
// export pumps messages. Cancel: tests/tools/cancel_readback.py.
// <commctrl.h> needs <windows.h> first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "host/SimulatedHost.h"
#include "resources/resource.h"
#include "tests/wine/support/DialogDriver.h"
#include "tests/wine/support/PluginFixture.h"
#include "tests/wine/support/WindowWatcher.h"
#include "tools/simhost/ProgressCanceller.h"

using namespace tessera;
using namespace tessera::testing;

namespace {

// Each source takes this long: eleven messages run past the window's half second.
constexpr int kSlowMs = 80;

// A control's text as the ANSI calls give it (the length query may count characters).
std::string ItemText(HWND window, int id) {
    char text[256] = {};
    GetDlgItemTextA(window, id, text, sizeof text);
    return text;
}

bool HasText(const SeenDialog& box, const std::string& text) {
    for (const std::string& t : box.texts) {
        if (t.find(text) != std::string::npos) return true;
    }
    return false;
}

class ProgressTest : public ::testing::Test {
  protected:
    void SetUp() override {
        out = NewTempFolder("progress");
        plugin.WriteIni("[SETTING]\r\nSavePath=" + out + "\r\nSaveType=103\r\n");
        ASSERT_TRUE(plugin.Load());
        ASSERT_EQ(plugin.Host().CallMenuInit(0), 0);
        plugin.AddSamples(kFixedSamples);
    }
    void TearDown() override {
        EXPECT_EQ(SimulatedHost::Instance().Buffers().Live(), 0u);
        EXPECT_EQ(SimulatedHost::Instance().Buffers().BadReleases(), 0u);
    }

    PluginFixture plugin;
    std::string out;
};

TEST_F(ProgressTest, ShowsOnlyForALongExportOverItsDisabledOwner) {
    HWND owner = plugin.Host().MainWindow();
    {
        // Before its delay the window never shows, however slow the machine (the
        // delay's own rule: ProgressTiming_test); an hour is beyond any run.
        SetEnvironmentVariableA("TESSERA_PROGRESS_DELAY_MS", "3600000");
        ProgressCanceller watch;
        WindowWatcher summary("エクスポート完了", IDOK, 1500);
        ASSERT_TRUE(plugin.Host().InvokeCommand(1));
        SetEnvironmentVariableA("TESSERA_PROGRESS_DELAY_MS", nullptr);
        EXPECT_FALSE(watch.Seen()) << "an export within the delay shows no window";
        EXPECT_FALSE(summary.Result().found) << "nor a summary";
    }
    // Long enough for the looker, whose every question waits for a turn of the queue.
    SimulatedHost::Instance().SetSourceDelay(2 * kSlowMs);
    ProgressCanceller watch;
    std::atomic<bool> done{false};
    bool ownerEnabledWhileShown = false;
    HWND progressOwner = nullptr;
    std::string caption, count, cancel;
    LRESULT high = 0;
    std::thread looker([&] {
        test::WaitUntil([&] { return done || watch.Window(); });
        HWND window = watch.Window();
        if (!window) return;
        progressOwner = GetWindow(window, GW_OWNER);
        ownerEnabledWhileShown = IsWindowEnabled(owner);
        caption = test::WindowText(window);
        count = ItemText(window, IDC_PROGRESS_COUNT);
        cancel = ItemText(window, IDCANCEL);
        high = SendMessageA(GetDlgItem(window, IDC_PROGRESS_BAR), PBM_GETRANGE, FALSE, 0);
    });
    WindowWatcher summary("エクスポート完了", IDOK);
    ASSERT_TRUE(plugin.Host().InvokeCommand(1));
    done = true;
    looker.join();
    EXPECT_TRUE(watch.Seen());
    EXPECT_EQ(progressOwner, owner);
    EXPECT_FALSE(ownerEnabledWhileShown) << "the owner is disabled while the window shows";
    EXPECT_TRUE(IsWindowEnabled(owner)) << "and enabled again afterwards";
    EXPECT_EQ(caption, "エクスポート中");
    EXPECT_NE(count.find(" / 11 通"), std::string::npos) << count;
    EXPECT_EQ(cancel, "キャンセル");
    EXPECT_EQ(high, 11) << "the bar spans the selected messages";
    const SeenDialog& box = summary.Result();
    ASSERT_TRUE(box.found) << "a long export ends with a summary";
    EXPECT_EQ(box.owner, owner);
    EXPECT_TRUE(HasText(box, "書き出したメール: 11 / 11 通"));
    EXPECT_TRUE(HasText(box, "保存先: " + out));
    EXPECT_EQ(plugin.Host().CallExit(), 0);
}

TEST_F(ProgressTest, HostCallsDuringAnExportWaitForIt) {
    SimulatedHost& host = SimulatedHost::Instance();
    host.SetSourceDelay(kSlowMs);
    bool nested = false, nestedSource = false;
    int setupResult = -1, exitResult = -1;
    // As if the host ran these from messages the export's pumping dispatched.
    host.SetSourceObserver([&](long index) {
        nestedSource |= nested;
        if (index != 4 || nested) return;
        nested = true;
        plugin.Host().InvokeCommand(1);
        setupResult = plugin.Host().CallSetup();
        exitResult = plugin.Host().CallExit();
        nested = false;
    });
    WindowWatcher settings("設定", IDCANCEL, 1000);
    WindowWatcher notice("エクスポート中止", IDOK);
    ASSERT_TRUE(plugin.Host().InvokeCommand(1));
    host.SetSourceObserver(nullptr);
    EXPECT_FALSE(nestedSource) << "a second export ran inside the first";
    EXPECT_FALSE(settings.Result().found) << "the settings dialog opened during the export";
    EXPECT_EQ(setupResult, 1);
    EXPECT_EQ(exitResult, 0);
    const SeenDialog& box = notice.Result();
    ASSERT_TRUE(box.found) << "exit stops the export after the message in hand";
    EXPECT_TRUE(HasText(box, "書き出したメール: 5 / 11 通"));
    EXPECT_TRUE(plugin.IniExists()) << "the object went once the export had stopped";
    EXPECT_EQ(plugin.Host().SubMenuItems().size(), 2u) << "its menu items are gone";
}

// Esc and the close box stop the export as the button does (tests/tools/cancel_readback.py).
TEST_F(ProgressTest, EscAndTheCloseBoxCancelToo) {
    SimulatedHost::Instance().SetSourceDelay(kSlowMs);
    for (bool esc : {true, false}) {
        ProgressCanceller watch;
        std::thread presser([&] {
            ASSERT_TRUE(test::WaitUntil([&] { return watch.Window() != nullptr; }));
            HWND window = watch.Window();
            if (esc) {
                // As typed: to the focused button, which the dialog turns into Cancel.
                PostMessageA(GetDlgItem(window, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 0);
            } else {
                PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
            }
        });
        WindowWatcher notice("エクスポート中止", IDOK);
        ASSERT_TRUE(plugin.Host().InvokeCommand(1));
        presser.join();
        EXPECT_TRUE(notice.Result().found) << (esc ? "Esc" : "close box");
    }
}

// The summary of an .eml export counts the files that keep the export time.
TEST(ProgressSummary, CountsTheMessagesWithoutADate) {
    PluginFixture plugin;
    const std::string out = NewTempFolder("nodate");
    plugin.WriteIni("[SETTING]\r\nSavePath=" + out + "\r\nSaveType=104\r\n");
    ASSERT_TRUE(plugin.Load());
    ASSERT_EQ(plugin.Host().CallMenuInit(0), 0);
    plugin.AddSamples({"01-meeting.eml", "07-nodate.eml"});
    SetEnvironmentVariableA("TESSERA_PROGRESS_DELAY_MS", "0");  // shown at once: a summary
    WindowWatcher summary("エクスポート完了", IDOK);
    ASSERT_TRUE(plugin.Host().InvokeCommand(1));
    SetEnvironmentVariableA("TESSERA_PROGRESS_DELAY_MS", nullptr);
    ASSERT_TRUE(summary.Result().found);
    EXPECT_TRUE(HasText(summary.Result(), "日付が読めず、書き出した日時のままのメール: 1 通"));
    EXPECT_EQ(plugin.Host().CallExit(), 0);
}

}  // namespace
