// The export flow of both commands, natively, against the simulated host and
// a scripted platform.
#include "export/flow/ExportDriver.h"

#include <gtest/gtest.h>

#include "export/framing/MaildirDelivery.h"
#include "host/SimulatedHost.h"
#include "tests/support/FakePlatform.h"

using namespace tessera;
using namespace tessera::testing;

namespace {

// "同じ件名" in Shift-JIS.
const std::string kSameSubject = "\x93\xAF\x82\xB6\x8C\x8F\x96\xBC";

ExportFormat UnsetFormat() {
    ExportFormat format;
    format.SaveType = kSaveTypeUnset;
    return format;
}

class ExportDriverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SimulatedHost::Instance().Reset();
        api = MakeSimulatedHostApi();
    }
    void TearDown() override {
        BufferTracker& buffers = SimulatedHost::Instance().Buffers();
        EXPECT_EQ(buffers.Live(), 0u) << "every host buffer is released";
        EXPECT_EQ(buffers.BadReleases(), 0u) << "no buffer is released twice";
        SimulatedHost::Instance().Reset();
    }
    void Add(std::initializer_list<const char*> names) {
        for (const char* name : names) {
            std::string error;
            ASSERT_TRUE(SimulatedHost::Instance().Messages().AddPath(
                std::string(TESSERA_SOURCE_DIR) + "/samples/" + name, error))
                << error;
        }
    }
    void Stored(int saveType, const std::string& savePath = "C:\\out\\") {
        settings.SaveType = saveType;
        settings.SavePath = savePath;
        ExportDriver driver(api, platform);
        driver.ExportStoredFormat(nullptr, settings);
        report = driver.Report();
    }
    void Ask(int saveType) {
        platform.formatAnswer.SaveType = saveType;
        ExportDriver driver(api, platform);
        driver.ExportChosenFormat(nullptr, chosen, settings.SavePath);
        report = driver.Report();
    }
    static size_t Count(const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }

    HostApi api;
    ExportSettings settings;
    ExportFormat chosen = UnsetFormat();
    FakePlatform platform;
    ExportReport report;
};

TEST_F(ExportDriverTest, StoredFormatWithoutFolderShowsMessage502EvenWithNothingSelected) {
    Stored(kSaveTypeMbox, "");
    EXPECT_EQ(platform.messages, std::vector<int>{IDS_NO_SAVE_PATH});
    EXPECT_EQ(SimulatedHost::Instance().GetNextMailCalls(), 0);
    platform.messages.clear();
    Stored(kSaveTypeMbox, "C:\\out\\");
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_TRUE(platform.files.empty());
}

TEST_F(ExportDriverTest, StoredMboxIsNamedFromTheFirstSubjectAndReplacesAnOldFile) {
    Add({"05-from-line.eml", "01-meeting.eml"});
    const std::string target = "C:\\out\\Re; [ml;123] a=b=.txt";
    platform.files[target].bytes = "old content";
    Stored(kSaveTypeMbox);
    ASSERT_EQ(platform.files.size(), 1u);
    const std::string& mbox = platform.files[target].bytes;
    EXPECT_EQ(mbox.find("old content"), std::string::npos);
    EXPECT_EQ(mbox.rfind("From yamada@example.jp Sat Dec 07 12:00:00 2024\r\n", 0), 0u) << mbox;
    EXPECT_NE(mbox.find("\r\n>From here on"), std::string::npos);
    EXPECT_NE(mbox.find("\r\n>>From the archive"), std::string::npos);
    EXPECT_NE(mbox.find("\r\nFromage is cheese."), std::string::npos);
    EXPECT_NE(mbox.find("\r\nFrom tanaka@example.jp Tue Mar 05 09:07:03 2002\r\n"),
              std::string::npos);
    EXPECT_EQ(report.messagesWritten, 2);
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(ExportDriverTest, StoredFolderIsUsedAsAPrefixWithoutABackslash) {
    Add({"06-quoted-subject.eml"});
    Stored(kSaveTypeSeparator, "D:\\mail");
    EXPECT_EQ(platform.files.count("D:\\mailsay 'hi'.txt"), 1u);
}

TEST_F(ExportDriverTest, SeparatorFollowsEveryMessage) {
    Add({"05-from-line.eml", "06-quoted-subject.eml"});
    settings.Separator = "=====";
    Stored(kSaveTypeSeparator);
    const std::string& text = platform.files.begin()->second.bytes;
    EXPECT_EQ(Count(text, "\r\n\r\n=====\r\n"), 2u) << text;
    EXPECT_EQ(text.size() - text.rfind("=====\r\n"), 7u) << "the last message too";
    EXPECT_NE(text.find("\r\nFrom here on"), std::string::npos) << "no quoting outside mbox";
    EXPECT_EQ(text.find("\r\n>>From"), std::string::npos) << "no quoting outside mbox";
}

TEST_F(ExportDriverTest, SaveTypeOutsideTheKnownOnesExportsNothing) {
    Add({"01-meeting.eml"});
    Stored(107);
    EXPECT_TRUE(platform.files.empty());
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(SimulatedHost::Instance().GetNextMailCalls(), 2) << "only the two probes";
}

TEST_F(ExportDriverTest, EmlFilesKeepMessagesWithTheSameSubjectAndAvoidDeviceNames) {
    Add({"10-same-subject-a.eml", "11-same-subject-b.eml", "12-utf8.eml"});
    platform.files["C:\\out\\" + kSameSubject + ".eml"].bytes = "existed before";
    Stored(kSaveTypeEml);
    ASSERT_EQ(platform.files.size(), 3u);
    const std::string first = platform.files["C:\\out\\" + kSameSubject + ".eml"].bytes;
    const std::string second = platform.files["C:\\out\\" + kSameSubject + " (2).eml"].bytes;
    EXPECT_NE(first.find("a@example.jp"), std::string::npos) << "the old file is replaced";
    EXPECT_NE(second.find("b@example.jp"), std::string::npos);
    EXPECT_EQ(platform.files.count("C:\\out\\CON_.eml"), 1u);
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(ExportDriverTest, EmlNamesAreTheSameForASubjectInAnyCharset) {
    const std::string kaigi = "\x89\xEF\x8B\x63";  // "会議" in Shift-JIS
    const char* subjects[] = {
        "=?ISO-2022-JP?B?GyRCMnE1RBsoQg==?=", "=?EUC-JP?B?svG1xA==?=",
        "=?utf-8?q?=E4=BC=9A=E8=AD=B0?=",
        "\xE4\xBC\x9A\xE8\xAD\xB0",  // raw UTF-8
        // a character split between two words, the second also holding a line break
        "=?ISO-2022-JP?B?GyRCMnE=?=\r\n =?ISO-2022-JP?B?NUQbKEINCg==?=",
        "=?UTF-8?B?5Lya6K2w8J+YgA==?=",  // and an emoji
    };
    for (const char* subject : subjects) {
        SimulatedHost::Instance().Messages().AddText(
            "m", std::string("Subject: ") + subject + "\r\n\r\nx\r\n");
    }
    Stored(kSaveTypeEml);
    for (const std::string& name :
         {kaigi, kaigi + " (2)", kaigi + " (3)", kaigi + " (4)", kaigi + " (5)", kaigi + "_"}) {
        EXPECT_EQ(platform.files.count("C:\\out\\" + name + ".eml"), 1u) << name;
    }
}

TEST_F(ExportDriverTest, FirstAskingExportOffersSaveTypeMinusOneAndCancelKeepsTheChoice) {
    Add({"01-meeting.eml"});
    platform.formatResult = 2;
    Ask(kSaveTypeEml);
    EXPECT_EQ(platform.formatShown.SaveType, -1);
    EXPECT_TRUE(platform.formatShown.Convert);
    EXPECT_EQ(chosen.SaveType, -1);
    EXPECT_TRUE(platform.files.empty());
    platform.formatResult = 1;
    platform.formatAnswer.Separator = "--";
    platform.browsePath = "D:\\x";
    Ask(kSaveTypeEml);
    EXPECT_EQ(chosen.SaveType, kSaveTypeEml);
    platform.formatResult = 2;
    Ask(kSaveTypeMbox);
    EXPECT_EQ(platform.formatShown.SaveType, kSaveTypeEml) << "the last confirmed choice";
    EXPECT_EQ(platform.formatShown.Separator, "--");
}

TEST_F(ExportDriverTest, AskingExportWithNothingSelectedStillShowsTheDialog) {
    Ask(kSaveTypeMbox);
    EXPECT_EQ(platform.calls, std::vector<std::string>{"format"});
    EXPECT_TRUE(platform.files.empty());
}

TEST_F(ExportDriverTest, OverwriteAnswersReplaceAppendOrCancel) {
    Add({"05-from-line.eml"});
    settings.SavePath = "C:\\start\\";
    platform.savePath = "C:\\picked.txt";
    struct Case {
        int answer;
        bool keepsOld;
        bool writes;
    } cases[] = {{kOverwriteReplace, false, true},
                 {kOverwriteAppend, true, true},
                 {kOverwriteCancel, true, false}};
    for (const Case& c : cases) {
        platform.files.clear();
        platform.files["C:\\picked.txt"].bytes = "OLD\r\n";
        platform.overwriteAnswer = c.answer;
        Ask(kSaveTypeMbox);
        const std::string& text = platform.files["C:\\picked.txt"].bytes;
        EXPECT_EQ(text.rfind("OLD\r\n", 0) == 0, c.keepsOld) << c.answer;
        EXPECT_EQ(text.find("From yamada") != std::string::npos, c.writes) << c.answer;
        EXPECT_EQ(platform.overwritePath, "C:\\picked.txt");
        EXPECT_EQ(platform.saveInitialFolder, "C:\\start\\");
    }
}

TEST_F(ExportDriverTest, FolderBrowserStartsOneLevelUpAndPickedFoldersEndInABackslash) {
    Add({"01-meeting.eml"});
    struct Case {
        const char* stored;
        const char* start;
        const char* picked;
        const char* file;
    } cases[] = {
        {"C:\\mail\\", "C:\\mail", "D:\\", "D:\\"},
        {"C:\\", "C:\\", "D:\\x", "D:\\x\\"},
        {"", "", "/tmp/out/", "/tmp/out/"},  // a POSIX folder keeps its own separator
        // "表" ends in the byte 0x5C, which is no separator.
        {"C:\\\x95\\", "C:\\\x95\\", "D:\\\x95\\", "D:\\\x95\\\\"},
        {"C:\\\x95\\\\", "C:\\\x95\\", "D:\\\x95\\\\", "D:\\\x95\\\\"},
    };
    for (const Case& c : cases) {
        platform.files.clear();
        settings.SavePath = c.stored;
        platform.browsePath = c.picked;
        Ask(kSaveTypeEml);
        EXPECT_EQ(platform.browseInitialFolder, c.start);
        ASSERT_EQ(platform.files.size(), 1u);
        EXPECT_EQ(platform.files.begin()->first.rfind(c.file, 0), 0u)
            << platform.files.begin()->first;
    }
}

// Each message makes one trip: fetched once in every format and by either
// command, also while its Subject is shown, so the N-th fetch is the N-th message.
TEST_F(ExportDriverTest, EveryFormatFetchesEachMessageOnce) {
    for (int saveType : {kSaveTypeMbox, kSaveTypeEml, kSaveTypeSeparator, kSaveTypeMaildir}) {
        for (bool stored : {true, false}) {
            if (stored && saveType == kSaveTypeMaildir) continue;  // the asking command's only
            // The .eml extras read the same one parse.
            settings.WriteIndex = settings.SaveAttachments = saveType == kSaveTypeEml;
            settings.FileNamePattern = saveType == kSaveTypeEml ? "%n %s" : "";
            SimulatedHost::Instance().Reset();
            Add({"05-from-line.eml", "06-quoted-subject.eml", "01-meeting.eml"});
            std::vector<long> fetched;
            SimulatedHost::Instance().SetSourceObserver([&](long i) { fetched.push_back(i); });
            platform = FakePlatform();
            platform.progress = true;
            platform.savePath = "C:\\box.txt";
            platform.browsePath = "C:\\picked";
            if (stored)
                Stored(saveType);
            else
                Ask(saveType);
            EXPECT_EQ(fetched, (std::vector<long>{0, 1, 2})) << saveType << " " << stored;
            EXPECT_EQ(report.messagesWritten, 3) << saveType << " " << stored;
        }
    }
}

TEST_F(ExportDriverTest, FailureOnTheThirdMessageShowsOneMessageAndKeepsTheFirstTwo) {
    Add({"05-from-line.eml", "06-quoted-subject.eml", "01-meeting.eml", "02-euc-notice.eml"});
    SimulatedHost::Instance().Faults().Add("BKA_GetSource:3");
    platform.savePath = "C:\\box.txt";
    Ask(kSaveTypeMbox);
    EXPECT_EQ(platform.messages, std::vector<int>{IDS_WRITE_ERROR});
    const std::string& text = platform.files["C:\\box.txt"].bytes;
    EXPECT_EQ(Count(text, "\r\nFrom ") + (text.rfind("From ", 0) == 0), 2u);
    EXPECT_EQ(text.find("tanaka@"), std::string::npos);
}

TEST_F(ExportDriverTest, DiskFullIsReportedOnceAndEarlierMessagesStayWhole) {
    Add({"05-from-line.eml", "06-quoted-subject.eml", "01-meeting.eml"});
    platform.savePath = "C:\\box.txt";
    Ask(kSaveTypeMbox);
    const std::string whole = platform.files["C:\\box.txt"].bytes;
    size_t secondEnd = whole.find("\r\nFrom tanaka") + 2;
    platform.files.clear();
    platform.used = 0;
    platform.diskSpace = secondEnd + 10;
    Ask(kSaveTypeMbox);
    EXPECT_EQ(platform.messages, std::vector<int>{IDS_WRITE_ERROR});
    EXPECT_EQ(platform.files["C:\\box.txt"].bytes.substr(0, secondEnd), whole.substr(0, secondEnd));
}

// Replace: an old file is replaced only by a complete new one.
TEST_F(ExportDriverTest, FailedOrStoppedReplacementLeavesTheOldFileWhole) {
    Add({"05-from-line.eml", "06-quoted-subject.eml", "01-meeting.eml"});
    const std::string target = "C:\\out\\Re; [ml;123] a=b=.txt";
    platform.files[target].bytes = "From old Sat Dec 07 12:00:00 2024\r\nold\r\n\r\n";
    const std::string old = platform.files[target].bytes;
    SimulatedHost::Instance().Faults().Add("BKA_GetSource:2");
    Stored(kSaveTypeMbox);
    EXPECT_EQ(platform.files[target].bytes, old);
    EXPECT_EQ(platform.messages, std::vector<int>{IDS_WRITE_ERROR});
    EXPECT_EQ(report.messagesWritten, 0) << "nothing of the run is in the file";
    EXPECT_EQ(report.messagesConverted, 0) << "so no message of it was converted either";

    SimulatedHost::Instance().Faults() = FaultPlan();
    platform.messages.clear();
    settings.SaveType = kSaveTypeMbox;
    platform.progress = true;
    platform.abandonOn = 2;  // after the first message
    ExportDriver driver(api, platform);
    driver.ExportStoredFormat(nullptr, settings);
    EXPECT_TRUE(driver.Report().stopped);
    EXPECT_EQ(platform.files[target].bytes, old);
    EXPECT_TRUE(platform.messages.empty()) << "a stop is not an error";
}

// Append: whole messages only, each after a blank line.
TEST_F(ExportDriverTest, AppendKeepsWholeMessagesAndFramesATornTail) {
    Add({"05-from-line.eml", "06-quoted-subject.eml"});
    platform.savePath = "C:\\box.txt";
    platform.overwriteAnswer = kOverwriteAppend;
    const std::string torn = "From a Sat Dec 07 12:00:00 2024\r\ntorn li";
    platform.files["C:\\box.txt"].bytes = torn;
    Ask(kSaveTypeMbox);
    const std::string whole = platform.files["C:\\box.txt"].bytes;
    EXPECT_EQ(whole.rfind(torn + "\r\n\r\nFrom yamada", 0), 0u) << whole;

    // The disk fills in the second message: the file ends after the first.
    size_t firstEnd = whole.find("\r\nFrom ", torn.size() + 4) + 2;
    platform.files["C:\\box.txt"].bytes = torn;
    platform.used = 0;
    platform.diskSpace = firstEnd - torn.size() + 10;
    Ask(kSaveTypeMbox);
    EXPECT_EQ(platform.files["C:\\box.txt"].bytes, whole.substr(0, firstEnd));
    EXPECT_EQ(platform.messages, std::vector<int>{IDS_WRITE_ERROR});
}

TEST_F(ExportDriverTest, EmlOfAFailedMessageLeavesNoFile) {
    Add({"05-from-line.eml", "06-quoted-subject.eml"});
    platform.files["C:\\out\\Re; [ml;123] a=b=.eml"].bytes = "older export";
    platform.diskSpace = 10;  // every message fails once its file is open
    Stored(kSaveTypeEml);
    for (const auto& file : platform.files) {
        EXPECT_EQ(file.second.bytes,
                  file.first == "C:\\out\\Re; [ml;123] a=b=.eml" ? "older export" : "")
            << file.first;
    }
    EXPECT_EQ(platform.messages, std::vector<int>{IDS_WRITE_ERROR});
}

TEST_F(ExportDriverTest, TargetThatCannotBeOpenedIsReported) {
    Add({"01-meeting.eml"});
    platform.savePath = "C:\\locked.txt";
    platform.unwritable.push_back("C:\\locked.txt");
    Ask(kSaveTypeMbox);
    EXPECT_EQ(platform.messages, std::vector<int>{IDS_WRITE_ERROR});
    platform.messages.clear();
    platform.unwritable.clear();
    platform.files["C:\\locked.txt"].bytes = "OLD\r\n\r\n";
    platform.overwriteAnswer = kOverwriteAppend;
    platform.seekFails = true;
    Ask(kSaveTypeMbox);
    EXPECT_EQ(platform.messages, std::vector<int>{IDS_WRITE_ERROR});
    EXPECT_EQ(platform.files["C:\\locked.txt"].bytes, "OLD\r\n\r\n");
}

TEST_F(ExportDriverTest, EmlExportGoesOnAfterFailuresAndReportsOnceAtTheEnd) {
    Add({"01-meeting.eml", "05-from-line.eml", "06-quoted-subject.eml", "12-utf8.eml"});
    platform.unwritable.push_back("C:\\out\\say 'hi'.eml");
    SimulatedHost::Instance().Faults().Add("BKA_GetSource:1");
    Stored(kSaveTypeEml);
    EXPECT_EQ(platform.messages, std::vector<int>{IDS_WRITE_ERROR});
    EXPECT_EQ(platform.files.size(), 2u);
    EXPECT_EQ(report.messagesWritten, 2);
    EXPECT_EQ(report.messagesFailed, 2);
}

TEST_F(ExportDriverTest, EveryEndingOfARunFinishesItsFilesOnceAndCountsWhatCouldNotBePlaced) {
    struct Case {
        const char* ending;
        int saveType, cancelOn, abandonOn, unplaced, written, failed;
        bool unopenable;
    };
    const Case cases[] = {
        {"eml, all written", kSaveTypeEml, 0, 0, 0, 3, 0, false},
        {"eml, one not placed at the end", kSaveTypeEml, 0, 0, 1, 2, 1, false},
        {"eml, cancelled", kSaveTypeEml, 2, 0, 1, 0, 1, false},
        {"eml, stopped", kSaveTypeEml, 0, 3, 0, 2, 0, false},
        {"mbox whose file cannot be opened", kSaveTypeMbox, 0, 0, 0, 0, 0, true},
    };
    for (const Case& c : cases) {
        SimulatedHost::Instance().Reset();
        Add({"01-meeting.eml", "05-from-line.eml", "06-quoted-subject.eml"});
        platform = FakePlatform();
        platform.progress = c.cancelOn || c.abandonOn;
        platform.cancelOn = c.cancelOn;
        platform.abandonOn = c.abandonOn;
        platform.unplacedAtEnd = c.unplaced;
        platform.savePath = "C:\\box.txt";
        if (c.unopenable) platform.unwritable.push_back(platform.savePath);
        if (c.saveType == kSaveTypeEml) {
            Stored(c.saveType);
        } else {
            Ask(c.saveType);
        }
        EXPECT_EQ(platform.finishedRuns, 1) << c.ending;
        EXPECT_EQ(report.messagesWritten, c.written) << c.ending;
        EXPECT_EQ(report.messagesFailed, c.failed) << c.ending;
        const bool toldFailure = c.failed > 0 || c.unopenable;
        EXPECT_EQ(!platform.messages.empty() || !platform.reports.empty(),
                  toldFailure || c.cancelOn)
            << c.ending;
    }
}

TEST_F(ExportDriverTest, LongSubjectsAreCutToFitTheFileSystem) {
    std::string subject(2000, 'x');
    SimulatedHost::Instance().Messages().AddText(
        "long", "From: a@b\r\nSubject: " + subject + "\r\n\r\nbody\r\n");
    SimulatedHost::Instance().Messages().AddText(
        "long2", "From: a@b\r\nSubject: " + subject + "\r\n\r\nbody\r\n");
    Stored(kSaveTypeEml, "C:\\out\\");
    ASSERT_EQ(platform.files.size(), 2u);
    for (const auto& file : platform.files) {
        EXPECT_LE(file.first.size(), 259u);
        EXPECT_LE(file.first.size() - 7, 255u);
    }
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(ExportDriverTest, AFailedMessageIsNamedByItsNumberAndReason) {
    for (int saveType : {kSaveTypeMbox, kSaveTypeEml, kSaveTypeSeparator}) {
        SimulatedHost::Instance().Reset();
        Add({"01-meeting.eml"});
        SimulatedHost::Instance().Messages().AddText("empty", "");
        platform = FakePlatform();
        Stored(saveType);
        using Failed = std::pair<int, int>;
        EXPECT_EQ(platform.failedMessages, std::vector<Failed>{Failed(2, IDS_FAILED_EMPTY)})
            << saveType;
        EXPECT_EQ(report.failedBecause[IDS_FAILED_EMPTY], 1) << saveType;
    }
}

TEST_F(ExportDriverTest, HostFaultsNeverLeakAndAreReportedOnce) {
    const char* faults[] = {"BKA_MIMEHeader:*", "BKA_ISO_2022_JP:*", "BKA_EUC_JP:*", "BKA_Alloc:*",
                            "BKA_GetSource:2"};
    for (const char* fault : faults) {
        SimulatedHost::Instance().Reset();
        Add({"01-meeting.eml", "02-euc-notice.eml", "03-report-attachment.eml"});
        SimulatedHost::Instance().Faults().Add(fault);
        platform.files.clear();
        platform.messages.clear();
        Stored(kSaveTypeEml);
        EXPECT_LE(platform.messages.size(), 1u) << fault;
        EXPECT_EQ(platform.messages.empty(), report.messagesFailed == 0) << fault;
        EXPECT_EQ(SimulatedHost::Instance().Buffers().Live(), 0u) << fault;
        EXPECT_EQ(SimulatedHost::Instance().Buffers().BadReleases(), 0u) << fault;
    }
}

}  // namespace

// A long export's progress: stopped only between messages, counted by the
// walk alone, told once at the end.
TEST_F(ExportDriverTest, CancelStopsBetweenMessagesAndIsToldOnce) {
    for (int saveType : {kSaveTypeMbox, kSaveTypeEml, kSaveTypeSeparator}) {
        SimulatedHost::Instance().Reset();
        Add({"05-from-line.eml", "06-quoted-subject.eml", "01-meeting.eml", "12-utf8.eml"});
        long sources = 0;
        SimulatedHost::Instance().SetSourceObserver([&](long) { ++sources; });
        platform = FakePlatform();
        platform.progress = true;
        platform.cancelOn = 3;  // asked before the third message
        settings.Separator = "=====";
        Stored(saveType);
        EXPECT_TRUE(report.cancelled) << saveType;
        EXPECT_EQ(report.messagesWritten, 2) << saveType;
        EXPECT_EQ(platform.countedTotal, 4) << saveType;
        EXPECT_EQ(report.messagesSelected, 4) << saveType;
        // The count asks for no source; a message is fetched once, also the one naming the file.
        EXPECT_EQ(sources, 2) << saveType;
        ASSERT_EQ(platform.reports.size(), 1u) << saveType;
        EXPECT_TRUE(platform.messages.empty()) << "no second box" << saveType;
        if (saveType == kSaveTypeEml) {
            EXPECT_EQ(platform.files.size(), 2u);
            continue;
        }
        const std::string& text = platform.files.begin()->second.bytes;
        const std::string frame = saveType == kSaveTypeMbox ? "\r\nFrom " : "\r\n=====\r\n";
        EXPECT_EQ(Count(text, frame) + (saveType == kSaveTypeMbox), 2u) << text;
        EXPECT_EQ(text.find("tanaka@"), std::string::npos) << "no third message";
        EXPECT_EQ(report.target, platform.files.begin()->first);
    }
}

TEST_F(ExportDriverTest, ProgressOnShowNamesMessagesAndTakesOverTheErrorMessage) {
    Add({"01-meeting.eml", "05-from-line.eml", "06-quoted-subject.eml", "12-utf8.eml"});
    platform.progress = true;
    platform.shownFrom = 3;
    Stored(kSaveTypeMbox);
    EXPECT_EQ(platform.subjects, (std::vector<std::string>{"say 'hi'", "CON_"}))
        << "named from the third message on, when the progress shows";
    EXPECT_EQ(platform.reports.size(), 1u);
    EXPECT_EQ(platform.reports[0].messagesWritten, 4);

    platform = FakePlatform();
    platform.progress = true;
    platform.unwritable.push_back("C:\\out\\say 'hi'.eml");
    SimulatedHost::Instance().Faults().Add("BKA_GetSource:1");
    Stored(kSaveTypeEml);
    EXPECT_TRUE(platform.messages.empty()) << "the report tells it instead of message 500";
    ASSERT_EQ(platform.reports.size(), 1u);
    EXPECT_EQ(platform.reports[0].failedBecause,
              (std::map<int, int>{{IDS_FAILED_NO_SOURCE, 1}, {IDS_FAILED_NO_FILE, 1}}));
    EXPECT_TRUE(platform.reports[0].errorShown);

    platform = FakePlatform();
    platform.progress = true;
    platform.shownFrom = 1000;  // a short export
    Stored(kSaveTypeEml);
    EXPECT_TRUE(platform.reports.empty());
    EXPECT_EQ(platform.subjects.size(), 4u) << "the .eml export names every message anyway";
    EXPECT_EQ(platform.countedTotal, -1) << "never counted";
}

TEST_F(ExportDriverTest, EmlFilesAreDatedAndNamedByTheMailWhenAsked) {
    auto& messages = SimulatedHost::Instance().Messages();
    messages.AddText("a",
                     "Subject: =?ISO-2022-JP?B?GyRCMnE1RBsoQg==?=\r\n"
                     "Date: Tue, 05 Mar 2002 09:07:03 +0900\r\n\r\nx\r\n");
    messages.AddText("b", "Subject: no date\r\n\r\nx\r\n");
    settings.FileNamePattern = "%Y%m%d %H%M %s";
    settings.WriteIndex = true;
    Stored(kSaveTypeEml);
    const std::string kaigi = "\x89\xEF\x8B\x63";  // "会議"
    auto size = [&](const std::string& name) {
        return std::to_string(platform.files["C:\\out\\" + name].bytes.size());
    };
    EXPECT_EQ(platform.files["C:\\out\\index.csv"].bytes,
              "File,Date,From,To,Subject,Size,Attachments\r\n20020305 0907 " + kaigi +
                  ".eml,2002-03-05T09:07:03+09:00,,," + kaigi + "," +
                  size("20020305 0907 " + kaigi + ".eml") +
                  ",0\r\n20261207 0830 no date.eml,,,,no date," +
                  size("20261207 0830 no date.eml") + ",0\r\n");
    EXPECT_EQ(platform.fileTimes["C:\\out\\20020305 0907 " + kaigi + ".eml"], 1015286823);
    EXPECT_EQ(platform.files.count("C:\\out\\20261207 0830 no date.eml"), 1u)
        << "the export time stands in for a missing date";
    EXPECT_EQ(platform.fileTimes.size(), 1u) << "a message without a date keeps the export time";
    EXPECT_EQ(report.messagesWithoutDate, 1) << "and is counted for the summary";

    platform = FakePlatform();
    Stored(kSaveTypeMbox);  // the stored single file is named by the pattern too
    EXPECT_EQ(platform.files.count("C:\\out\\20020305 0907 " + kaigi + ".txt"), 1u);

    platform = FakePlatform();
    settings = ExportSettings();
    settings.MailFileTimes = false;
    Stored(kSaveTypeEml);
    EXPECT_EQ(platform.files.count("C:\\out\\" + kaigi + ".eml"), 1u) << "no pattern: the Subject";
    EXPECT_TRUE(platform.fileTimes.empty());
    EXPECT_EQ(report.messagesWithoutDate, 0);
}

TEST_F(ExportDriverTest, AttachmentsSavedBesideTheEmlFileAndNamedInIt) {
    SimulatedHost::Instance().Messages().AddText(
        "m",
        "Subject: s\r\nDate: Tue, 05 Mar 2002 09:07:03 +0900\r\n"
        "Content-Type: multipart/mixed; boundary=b\r\n\r\n"
        "--b\r\nContent-Type: text/plain\r\n\r\nbody\r\n"
        "--b\r\nContent-Type: application/pdf; name=a.pdf\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\nAAEC/w==\r\n"
        "--b\r\nContent-Type: image/png\r\nContent-Disposition: attachment; filename=a.pdf\r\n"
        "\r\nraw\r\n--b--\r\n");
    settings.SaveAttachments = true;
    settings.NoAttach = true;
    settings.WriteIndex = true;
    Stored(kSaveTypeEml);
    const std::string& index = platform.files["C:\\out\\index.csv"].bytes;
    EXPECT_EQ(index.substr(index.size() - 4), ",2\r\n") << "two attachments counted: " << index;
    EXPECT_EQ(platform.folders, std::vector<std::string>{"C:\\out\\s"});
    EXPECT_EQ(platform.files["C:\\out\\s\\a.pdf"].bytes, std::string("\x00\x01\x02\xFF", 4));
    EXPECT_EQ(platform.files["C:\\out\\s\\a (2).pdf"].bytes, "raw");
    EXPECT_EQ(platform.fileTimes["C:\\out\\s\\a (2).pdf"], 1015286823);
    const std::string& eml = platform.files["C:\\out\\s.eml"].bytes;
    EXPECT_NE(eml.find("body\r\n"), std::string::npos);
    EXPECT_NE(eml.find(": a.pdf]\r\n"), std::string::npos) << eml;
    EXPECT_NE(eml.find(": a (2).pdf]\r\n"), std::string::npos) << eml;
    EXPECT_EQ(eml.find("AAEC"), std::string::npos) << "the attachment itself is left out";
    EXPECT_TRUE(platform.messages.empty());

    // An attachment that cannot be saved fails its message: no .eml without it.
    platform = FakePlatform();
    platform.diskSpace = 2;
    settings.WriteIndex = false;
    Stored(kSaveTypeEml);
    EXPECT_EQ(platform.failedMessages, (std::vector<std::pair<int, int>>{{1, IDS_FAILED_WRITE}}));
    EXPECT_TRUE(platform.files["C:\\out\\s.eml"].bytes.empty());
    EXPECT_EQ(report.messagesWritten, 0);

    // A message named like the index: its attachments' folder takes another name.
    SimulatedHost::Instance().Messages().AddText(
        "i",
        "Subject: INDEX.csv\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
        "--b\r\nContent-Type: text/plain\r\n\r\nx\r\n"
        "--b\r\nContent-Type: application/pdf; name=i.pdf\r\n\r\nraw\r\n--b--\r\n");
    platform = FakePlatform();
    settings.WriteIndex = true;
    Stored(kSaveTypeEml);
    EXPECT_EQ(platform.files["C:\\out\\INDEX.csv (2)\\i.pdf"].bytes, "raw");
    EXPECT_EQ(platform.files.count("C:\\out\\index.csv"), 1u);
}

// To UTF-8 with UTF-8 names, the message, its folder, its attachment, the
// line left in the attachment's place and its index row keep what Shift-JIS lacks.
TEST_F(ExportDriverTest, Utf8NamesOfMessagesAndAttachments) {
    SimulatedHost::Instance().Messages().AddText(
        "m",
        "Subject: =?UTF-8?B?8J+YgPCgrrc=?=\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
        "--b\r\nContent-Type: text/plain\r\n\r\nbody\r\n"
        "--b\r\nContent-Type: application/pdf\r\n"
        "Content-Disposition: attachment; filename*=UTF-8''%F0%9F%98%80%F0%A0%AE%B7.pdf\r\n"
        "\r\nraw\r\n--b--\r\n");
    settings.SaveAttachments = true;
    settings.NoAttach = true;
    settings.Target = TargetCharset::kUtf8;
    settings.Names = TargetCharset::kUtf8;
    settings.WriteIndex = true;
    Stored(kSaveTypeEml);
    EXPECT_EQ(platform.files["C:\\out\\😀𠮷\\😀𠮷.pdf"].bytes, "raw");
    const std::string& index = platform.files["C:\\out\\index.csv"].bytes;
    EXPECT_NE(index.find("\r\n😀𠮷.eml,,,,😀𠮷,"), std::string::npos) << index;
    const std::string& eml = platform.files["C:\\out\\😀𠮷.eml"].bytes;
    EXPECT_NE(eml.find("charset=UTF-8\r\n\r\n[添付ファイル: 😀𠮷.pdf]\r\n"), std::string::npos)
        << eml;
}

TEST_F(ExportDriverTest, AttachmentsOfAForwardedMessageAreSavedWhereItLeavesThemOut) {
    SimulatedHost::Instance().Messages().AddText(
        "m",
        "Subject: f\r\nContent-Type: multipart/mixed; boundary=o\r\n\r\n"
        "--o\r\nContent-Type: text/plain\r\n\r\nsee below\r\n"
        "--o\r\nContent-Type: message/rfc822\r\n\r\n"
        "Subject: inner\r\nContent-Type: multipart/mixed; boundary=i\r\n\r\n"
        "--i\r\nContent-Type: text/plain\r\n\r\ninner text\r\n"
        "--i\r\nContent-Type: application/pdf; name=in.pdf\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\nAAEC/w==\r\n--i--\r\n"
        "--o--\r\n");
    settings.SaveAttachments = true;
    settings.NoAttach = true;
    Stored(kSaveTypeEml);
    EXPECT_EQ(platform.files["C:\\out\\f\\in.pdf"].bytes, std::string("\x00\x01\x02\xFF", 4));
    const std::string& eml = platform.files["C:\\out\\f.eml"].bytes;
    EXPECT_NE(eml.find(": in.pdf]\r\n"), std::string::npos) << eml;
    EXPECT_NE(eml.find("inner text"), std::string::npos) << eml;
    EXPECT_EQ(eml.find("AAEC"), std::string::npos) << eml;
}

TEST_F(ExportDriverTest, MaildirOutputForTheAskingCommandOnly) {
    Add({"01-meeting.eml", "05-from-line.eml"});
    platform.browsePath = "C:\\out";
    Ask(kSaveTypeMaildir);
    EXPECT_EQ(platform.folders, (std::vector<std::string>{"C:\\out", "C:\\out\\cur", "C:\\out\\new",
                                                          "C:\\out\\tmp"}));
    ASSERT_EQ(platform.files.size(), 2u);
    EXPECT_EQ(platform.files.count("C:\\out\\new\\0.P0Q1.localhost"), 1u) << "moved out of tmp";
    const std::string& second = platform.files["C:\\out\\new\\0.P0Q2.localhost"].bytes;
    EXPECT_EQ(second.find(">From here on"), std::string::npos) << "no mbox quoting";
    EXPECT_NE(second.find("\r\nFrom here on"), std::string::npos);
    // Dated like .eml files: readers go by the names and flags.
    EXPECT_EQ(platform.fileTimes,
              (std::map<std::string, int64_t>{{"C:\\out\\new\\0.P0Q1.localhost", 1015286823},
                                              {"C:\\out\\new\\0.P0Q2.localhost", 1733540400}}));

    platform = FakePlatform();
    Stored(kSaveTypeMaildir);
    EXPECT_TRUE(platform.files.empty()) << "a stored 106 exports nothing";
}

TEST(MaildirNames, UniqueAndSafeForTheFolder) {
    EXPECT_EQ(MaildirUniqueName(1015286823, "P42", 7, "a/b:c"), "1015286823.P42Q7.a\\057b\\072c");
}
