// Whole exports by the real plug-in in this process acting as host, compared
// with golden files; message boxes and the asking flow's dialogs driven from
// a second thread.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstdlib>
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

// What the stored format names its file after 01-meeting.eml, the first message.
const std::string kMeetingFile = "会議の議事録について.txt";

// Every file of the folder as "== name ==" and its bytes, in name order.
std::string FolderDump(const std::string& folder) {
    std::string dump;
    for (const std::string& name : ListFiles(folder)) {
        dump += "== " + name + " ==\r\n" + ReadFileBytes(folder + name);
    }
    return dump;
}

void ExpectGolden(const std::string& actual, const std::string& goldenName) {
    std::string path = std::string(TESSERA_SOURCE_DIR) + "/tests/golden/export/" + goldenName;
    if (std::getenv("TESSERA_UPDATE_GOLDEN")) WriteFileBytes(path, actual);
    std::string expected = ReadFileBytes(path);
    ASSERT_FALSE(expected.empty()) << "missing golden file " << path;
    EXPECT_TRUE(actual == expected) << "output differs from " << goldenName << " (" << actual.size()
                                    << " vs " << expected.size() << " bytes)";
}

class ExportTest : public ::testing::TestWithParam<int> {};

TEST_P(ExportTest, StoredFormatMatchesGoldenOutputAndReplacesAnOldTarget) {
    int saveType = GetParam();
    PluginFixture plugin;
    std::string out = NewTempFolder("stored");
    // An old target of the same name is replaced without a question.
    std::string oldTarget = out + kMeetingFile;
    WriteFileBytes(oldTarget, "stale");
    plugin.WriteIni("[SETTING]\r\nSavePath=" + out + "\r\nSaveType=" + std::to_string(saveType) +
                    "\r\nSeparator=----- cut -----\r\n");
    ASSERT_TRUE(plugin.Load());
    ASSERT_EQ(plugin.Host().CallMenuInit(0), 0);
    plugin.AddSamples(kFixedSamples);
    ASSERT_TRUE(plugin.Host().InvokeCommand(1));
    EXPECT_EQ(plugin.Host().CallExit(), 0);
    if (saveType == 104) {
        std::remove(oldTarget.c_str());  // not a target of this export
        EXPECT_EQ(ListFiles(out).size(), kFixedSamples.size());
    } else {
        EXPECT_EQ(ListFiles(out).size(), 1u);
        EXPECT_EQ(ReadFileBytes(oldTarget).find("stale"), std::string::npos);
    }
    ExpectGolden(FolderDump(out), "stored-" + std::to_string(saveType) + ".golden");
    EXPECT_EQ(SimulatedHost::Instance().Buffers().Live(), 0u);
    EXPECT_EQ(SimulatedHost::Instance().Buffers().BadReleases(), 0u);
}

INSTANTIATE_TEST_SUITE_P(SaveTypes, ExportTest, ::testing::Values(103, 104, 105));

TEST(ExportMessages, EmptySavePathShowsMessage502EvenWithNothingSelected) {
    PluginFixture plugin;
    ASSERT_TRUE(plugin.Load());
    ASSERT_EQ(plugin.Host().CallMenuInit(0), 0);
    WindowWatcher watcher("エラー", IDOK);
    ASSERT_TRUE(plugin.Host().InvokeCommand(1));
    const SeenDialog& box = watcher.Result();
    ASSERT_TRUE(box.found);
    bool hasText = false;
    for (const std::string& text : box.texts) hasText |= text == "保存先が指定されていません";
    EXPECT_TRUE(hasText);
    EXPECT_EQ(box.owner, plugin.Host().MainWindow()) << "owned by the command's window";
    EXPECT_EQ(box.buttons, 1) << "MB_OK";
    EXPECT_EQ(box.icon, LoadIconA(nullptr, IDI_WARNING)) << "MB_ICONWARNING";
    EXPECT_EQ(plugin.Host().CallExit(), 0);
}

TEST(ExportMessages, UnwritableTargetIsReportedOnce) {
    PluginFixture plugin;
    plugin.WriteIni("[SETTING]\r\nSavePath=Q:\\no\\such\\folder\\\r\nSaveType=103\r\n");
    ASSERT_TRUE(plugin.Load());
    ASSERT_EQ(plugin.Host().CallMenuInit(0), 0);
    plugin.AddSamples({"01-meeting.eml"});
    WindowWatcher watcher("エラー", IDOK);
    ASSERT_TRUE(plugin.Host().InvokeCommand(1));
    const SeenDialog& box = watcher.Result();
    ASSERT_TRUE(box.found);
    // The text of the string table, then the file and the system's reason.
    const std::string told = "保存途中でエラーが発生しました\nQ:\\no\\such\\folder\\";
    std::string shown;
    for (const std::string& text : box.texts) {
        if (text.compare(0, told.size(), told) == 0) shown = text;
    }
    EXPECT_NE(shown.find(".txt: "), std::string::npos) << shown;
    EXPECT_GT(shown.size(), shown.find(".txt: ") + 6) << "a reason follows the path";
    EXPECT_EQ(plugin.Host().CallExit(), 0);
}

// Answers the save dialog of thread `ui` with `path` once it shows (only
// ours: tests run side by side).
void AnswerSaveDialog(DWORD ui, const std::string& path) {
    tessera::test::WaitUntil([&] {
        for (HWND dialog : tessera::test::ThreadDialogs(ui)) {
            if (!GetDlgItem(dialog, 0x47C)) continue;
            SetDlgItemTextA(dialog, 0x47C, path.c_str());
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            return true;
        }
        return false;
    });
}

// A signed message exported by both commands, for tests/tools/signed_mail.py,
// which signs it with a key it makes, runs this and verifies what it wrote.
// TESSERA_SIGNED_DIR holds signed.eml and takes from-eml.txt and from-mbox.txt.
TEST(SignedMail, ExportedByBothCommands) {
    const char* dir = std::getenv("TESSERA_SIGNED_DIR");
    if (dir == nullptr)
        GTEST_SKIP() << "SKIP: run by the signed_mail test, which makes its keys first";
    const std::string work = std::string(dir) + "\\";
    const std::string message = ReadFileBytes(work + "signed.eml");
    ASSERT_FALSE(message.empty());
    PluginFixture plugin;
    const std::string out = NewTempFolder("signed");
    plugin.WriteIni("[SETTING]\r\nSavePath=" + out + "\r\nSaveType=104\r\n");
    ASSERT_TRUE(plugin.Load());
    ASSERT_EQ(plugin.Host().CallMenuInit(0), 0);
    SimulatedHost::Instance().Messages().AddText("signed", message);
    ASSERT_TRUE(plugin.Host().InvokeCommand(1));  // stored format: .eml
    const std::string mbox = work + "asked.mbox";
    DWORD ui = GetCurrentThreadId();
    std::thread driver([&] {
        HWND format = tessera::test::WaitForDialog(ui, "エクスポートフォーマット");
        if (!format) return;
        tessera::test::Click(format, IDC_SAVE_MBOX);
        tessera::test::PostClick(format, IDOK);
        AnswerSaveDialog(ui, mbox);
    });
    ASSERT_TRUE(plugin.Host().InvokeCommand(0));
    driver.join();
    EXPECT_EQ(plugin.Host().CallExit(), 0);
    const std::vector<std::string> files = ListFiles(out);
    ASSERT_EQ(files.size(), 1u);
    const std::string eml = ReadFileBytes(out + files[0]);
    DeleteFileA((out + files[0]).c_str());
    RemoveDirectoryA(out.c_str());
    // The message in the mbox: its envelope line and the framing blank line off.
    const std::string asked = ReadFileBytes(mbox);
    ASSERT_EQ(asked.rfind("From ", 0), 0u);
    const size_t start = asked.find("\r\n") + 2;
    WriteFileBytes(work + "from-mbox.txt", asked.substr(start, asked.size() - start - 2));
    WriteFileBytes(work + "from-eml.txt", eml);
    // What the signature does not cover is still converted.
    EXPECT_NE(eml.find("Subject: \x93\xFA\x96\x7B\x8C\xEA\r\n"), std::string::npos);
}

struct OverwriteCase {
    int answer;
    bool keepsOld;
    bool writes;
};

class OverwriteAnswer : public ::testing::TestWithParam<OverwriteCase> {};

TEST_P(OverwriteAnswer, FormatDialogSaveDialogAndOverwriteQuestion) {
    const OverwriteCase& c = GetParam();
    PluginFixture plugin;
    std::string out = NewTempFolder("ask");
    std::string target = out + "picked.txt";
    WriteFileBytes(target, "OLD\r\n");
    ASSERT_TRUE(plugin.Load());
    ASSERT_EQ(plugin.Host().CallMenuInit(0), 0);
    plugin.AddSamples({"05-from-line.eml"});
    DWORD ui = GetCurrentThreadId();
    std::thread driver([&] {
        WindowWatcher format("エクスポートフォーマット", IDOK);
        format.Result();
        AnswerSaveDialog(ui, target);
        WindowWatcher overwrite("確認", c.answer);
        overwrite.Result();
    });
    ASSERT_TRUE(plugin.Host().InvokeCommand(0));
    driver.join();
    std::string text = ReadFileBytes(target);
    EXPECT_EQ(text.rfind("OLD\r\n", 0) == 0, c.keepsOld) << text;
    EXPECT_EQ(text.find("From yamada@example.jp Sat Dec 07 12:00:00 2024\r\n") != std::string::npos,
              c.writes)
        << text;
    EXPECT_EQ(plugin.Host().CallExit(), 0);
}

// 1 overwrite: only the new message; 3 append: old content first; 2 cancel: untouched.
INSTANTIATE_TEST_SUITE_P(AskingExport, OverwriteAnswer,
                         ::testing::Values(OverwriteCase{1, false, true},
                                           OverwriteCase{3, true, true},
                                           OverwriteCase{2, true, false}));

// Replace: a stored-format export that fails keeps the old target whole and
// leaves no partial new file beside it.
TEST(SafeReplace, FailedStoredExportKeepsTheOldTargetWhole) {
    PluginFixture plugin;
    std::string out = NewTempFolder("replace");
    std::string target = out + kMeetingFile;
    const std::string old = "From old@example.jp Sat Dec 07 12:00:00 2024\r\nold\r\n\r\n";
    WriteFileBytes(target, old);
    plugin.WriteIni("[SETTING]\r\nSavePath=" + out + "\r\nSaveType=103\r\n");
    ASSERT_TRUE(plugin.Load());
    ASSERT_EQ(plugin.Host().CallMenuInit(0), 0);
    plugin.AddSamples({"01-meeting.eml", "02-euc-notice.eml", "05-from-line.eml"});
    SimulatedHost::Instance().Faults().Add("BKA_GetSource:3");  // the third message
    WindowWatcher watcher("エラー", IDOK);
    ASSERT_TRUE(plugin.Host().InvokeCommand(1));
    EXPECT_TRUE(watcher.Result().found) << "message 500";
    EXPECT_TRUE(ReadFileBytes(target) == old) << ReadFileBytes(target);
    EXPECT_EQ(ListFiles(out).size(), 1u) << "no partial new file";
    EXPECT_EQ(plugin.Host().CallExit(), 0);
}

// Cancel of an export that was to replace a file, by either command: the old
// file stays as it was, nothing is left beside it, no host buffer is kept.
TEST(SafeReplace, CancelledExportKeepsTheOldTargetWhole) {
    constexpr long kCancelAt = 9;  // of 11, past the progress window's half second
    for (bool stored : {true, false}) {
        SCOPED_TRACE(stored ? "stored format" : "asking export, overwrite");
        PluginFixture plugin;
        std::string out = NewTempFolder("cancel");
        const std::string old = "From old@example.jp Sat Dec 07 12:00:00 2024\r\nold\r\n\r\n";
        WriteFileBytes(out + kMeetingFile, old);
        plugin.WriteIni("[SETTING]\r\nSavePath=" + out + "\r\nSaveType=103\r\n");
        ASSERT_TRUE(plugin.Load());
        ASSERT_EQ(plugin.Host().CallMenuInit(0), 0);
        plugin.AddSamples(kFixedSamples);
        SimulatedHost::Instance().SetSourceDelay(80);
        ProgressCanceller cancel(kCancelAt);
        DWORD ui = GetCurrentThreadId();
        SeenDialog notice;
        std::thread driver([&] {
            if (!stored) {
                WindowWatcher("エクスポートフォーマット", IDOK).Result();
                AnswerSaveDialog(ui, out + kMeetingFile);
                WindowWatcher("確認", 1).Result();  // 1: overwrite
            }
            notice = WindowWatcher("エクスポート中止", IDOK).Result();
        });
        EXPECT_TRUE(plugin.Host().InvokeCommand(stored ? 1 : 0));
        driver.join();
        EXPECT_TRUE(cancel.Pressed());
        bool toldNone = false;
        for (const std::string& text : notice.texts)
            toldNone |= text.find(": 0 / 11 ") != std::string::npos;
        EXPECT_TRUE(notice.found && toldNone) << "the notice tells that none was written";
        EXPECT_TRUE(ReadFileBytes(out + kMeetingFile) == old) << ReadFileBytes(out + kMeetingFile);
        EXPECT_EQ(ListFiles(out), std::vector<std::string>{kMeetingFile}) << "nothing beside it";
        EXPECT_EQ(SimulatedHost::Instance().Buffers().Live(), 0u);
        EXPECT_EQ(SimulatedHost::Instance().Buffers().BadReleases(), 0u);
        EXPECT_EQ(plugin.Host().CallExit(), 0);
    }
}

// Runs the asking mbox export of three samples into `target`, answering the
// overwrite question with `answer`; the second message fails when `fault`.
void AskingExportInto(const std::string& target, int answer, bool fault) {
    PluginFixture plugin;
    ASSERT_TRUE(plugin.Load());
    ASSERT_EQ(plugin.Host().CallMenuInit(0), 0);
    plugin.AddSamples({"05-from-line.eml", "06-quoted-subject.eml", "01-meeting.eml"});
    if (fault) SimulatedHost::Instance().Faults().Add("BKA_GetSource:2");
    DWORD ui = GetCurrentThreadId();
    std::thread driver([&] {
        WindowWatcher format("エクスポートフォーマット", IDOK);
        format.Result();
        AnswerSaveDialog(ui, target);
        WindowWatcher overwrite("確認", answer);
        overwrite.Result();
        if (!fault) return;
        WindowWatcher error("エラー", IDOK);
        EXPECT_TRUE(error.Result().found) << "message 500";
    });
    ASSERT_TRUE(plugin.Host().InvokeCommand(0));
    driver.join();
    EXPECT_EQ(plugin.Host().CallExit(), 0);
}

// Append: a torn old tail gets its line end and a blank line; a failed
// message is cut back, so the file ends after the last whole message.
TEST(SafeAppend, FailedMessageLeavesTheOldContentAndWholeMessages) {
    std::string out = NewTempFolder("append");
    const std::string torn = "From old@example.jp Sat Dec 07 12:00:00 2024\r\ntorn li";
    WriteFileBytes(out + "whole.txt", torn);
    AskingExportInto(out + "whole.txt", 3, false);
    const std::string whole = ReadFileBytes(out + "whole.txt");
    ASSERT_EQ(whole.rfind(torn + "\r\n\r\nFrom yamada@example.jp ", 0), 0u) << whole;
    size_t second = whole.find("\r\nFrom ", torn.size() + 4) + 2;

    WriteFileBytes(out + "failed.txt", torn);
    AskingExportInto(out + "failed.txt", 3, true);
    EXPECT_TRUE(ReadFileBytes(out + "failed.txt") == whole.substr(0, second));
    WriteFileBytes(out + "replaced.txt", torn);
    AskingExportInto(out + "replaced.txt", 1, true);
    EXPECT_TRUE(ReadFileBytes(out + "replaced.txt") == torn)
        << "a failed overwrite keeps the old file";
    EXPECT_EQ(ListFiles(out).size(), 3u) << "no partial new file";
}

TEST(HostFaults, EmlExportSkipsMessagesWithoutSourceAndTellsOnce) {
    PluginFixture plugin;
    std::string out = NewTempFolder("fault");
    plugin.WriteIni("[SETTING]\r\nSavePath=" + out + "\r\nSaveType=104\r\n");
    ASSERT_TRUE(plugin.Load());
    ASSERT_EQ(plugin.Host().CallMenuInit(0), 0);
    plugin.AddSamples({"05-from-line.eml", "06-quoted-subject.eml", "12-utf8.eml"});
    SimulatedHost::Instance().Faults().Add("BKA_GetSource:1,2");  // the first two messages
    WindowWatcher watcher("エラー", IDOK);
    ASSERT_TRUE(plugin.Host().InvokeCommand(1));
    const SeenDialog& box = watcher.Result();
    EXPECT_TRUE(box.found) << "one message 500 at the end";
    EXPECT_EQ(ListFiles(out), (std::vector<std::string>{"CON_.eml"}));
    EXPECT_NE(ReadFileBytes(out + "CON_.eml").find("utf8@example.jp"), std::string::npos);
    EXPECT_EQ(SimulatedHost::Instance().Buffers().Live(), 0u);
    EXPECT_EQ(SimulatedHost::Instance().Buffers().BadReleases(), 0u);
    EXPECT_EQ(plugin.Host().CallExit(), 0);
}

TEST(AskingExport, EmlFilesGoIntoTheBrowsedFolder) {
    // A name whose last byte is 0x5C ("表") is a folder, not a folder and a separator.
    for (const std::string& name : {std::string("picked"), std::string("\x95\x5C")}) {
        SCOPED_TRACE(name);
        PluginFixture plugin;
        std::string out = NewTempFolder("browse");
        std::string picked = out + name;  // the browser gives no trailing '\'
        ASSERT_TRUE(CreateDirectoryA(picked.c_str(), nullptr));
        ASSERT_TRUE(plugin.Load());
        ASSERT_EQ(plugin.Host().CallMenuInit(0), 0);
        plugin.AddSamples({"10-same-subject-a.eml", "11-same-subject-b.eml"});
        // When Wine's tree drops the pick (seen in the settings dialog's browser
        // under load), the browser is cancelled, which ends the command with
        // nothing written, and the command is run again.
        bool pickedOk = false;
        for (int attempt = 0; attempt < 3 && !pickedOk; ++attempt) {
            tessera::test::RunDriven(
                [&] { return static_cast<INT_PTR>(plugin.Host().InvokeCommand(0)); },
                [&](DWORD ui) {
                    HWND format = tessera::test::WaitForDialog(ui, "エクスポートフォーマット");
                    ASSERT_NE(format, nullptr);
                    tessera::test::Click(format, IDC_SAVE_EML);
                    tessera::test::Click(format, IDOK);
                    ASSERT_TRUE(tessera::test::WaitUntilGone(format));
                    HWND browser = tessera::test::WaitForOtherDialog(ui, nullptr);
                    ASSERT_NE(browser, nullptr) << "folder browser did not open";
                    pickedOk = tessera::test::SelectFolder(
                        browser, picked, attempt < 2 ? 30000 : tessera::test::kDriverWaitMs);
                    tessera::test::Click(browser, pickedOk ? IDOK : IDCANCEL);
                    ASSERT_TRUE(tessera::test::WaitUntilGone(browser));
                });
        }
        ASSERT_TRUE(pickedOk) << "the browser never showed the folder picked";
        // "同じ件名" twice: the second gets " (2)".
        EXPECT_EQ(ListFiles(picked + "\\"),
                  (std::vector<std::string>{"同じ件名 (2).eml", "同じ件名.eml"}));
        EXPECT_EQ(ListFiles(out), std::vector<std::string>{});
        EXPECT_EQ(plugin.Host().CallExit(), 0);
    }
}

}  // namespace
