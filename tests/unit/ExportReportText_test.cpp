// The progress count and the end-of-export message, without resources.
#include "dialogs/ExportReportText.h"

#include <gtest/gtest.h>

#include "resources/resource.h"

namespace tessera {
namespace {

TEST(FillFormat, ArgumentsGoInOrderAndAreNeverReadAsFormats) {
    struct Case {
        const char* format;
        std::vector<std::string> args;
        const char* expected;
    } cases[] = {
        {"%d / %d \x92\xCA", {"3", "10"}, "3 / 10 \x92\xCA"},  // "通"
        {"%s", {"C:\\100%s\\%d"}, "C:\\100%s\\%d"},
        {"100%% %s", {"x"}, "100% x"},
        {"%d and %s", {"1"}, "1 and "},
        {"%x%", {}, "%x%"},
        {"\x95\x5C%s", {"\x83\x5C"}, "\x95\x5C\x83\x5C"},  // "表", "ソ": trail bytes 0x5C
    };
    for (const Case& c : cases) EXPECT_EQ(FillFormat(c.format, c.args), c.expected) << c.format;
}

std::string FakeText(int id) {
    switch (id) {
        case IDS_PROGRESS_COUNT:
            return "%d/%d";
        case IDS_REPORT_WRITTEN:
            return "written %d of %d";
        case IDS_REPORT_FAILED:
            return "failed %d";
        case IDS_REPORT_FAILED_REASON:
            return " %s: %d";
        case IDS_REPORT_TARGET:
            return "to %s";
        case IDS_REPORT_SIGNATURES:
            return "unverifiable %d";
        case IDS_REPORT_UNCONVERTED:
            return "unconverted %d";
        case IDS_REPORT_NO_DATE:
            return "no date %d";
        case IDS_REPORT_TIME_REFUSED:
            return "time refused %d";
        default:
            return "[" + std::to_string(id) + "]";
    }
}

TEST(ComposeReport, HeadingCountsReasonsAndTarget) {
    EXPECT_EQ(ProgressCountText(FakeText, 3, 10), "3/10");
    EXPECT_EQ(ProgressCountText(FakeText, 12, 10), "12/12") << "a selection that shrank";

    ExportReport done;
    done.messagesWritten = 8;
    done.messagesFailed = 2;
    done.messagesSelected = 10;
    done.failedBecause = {{IDS_FAILED_NO_SOURCE, 1}, {IDS_FAILED_NO_FILE, 1}};
    done.target = "C:\\out\\";
    ReportMessage m = ComposeReport(done, FakeText);
    EXPECT_EQ(m.kind, ReportKind::Done);
    EXPECT_TRUE(m.warning);
    EXPECT_EQ(m.text, "[612]\nwritten 8 of 10\nfailed 2\n [620]: 1\n [622]: 1\nto C:\\out\\");

    ExportReport cancelled;
    cancelled.cancelled = true;
    cancelled.messagesWritten = 7;
    cancelled.messagesSelected = 12;
    cancelled.target = "C:\\a.txt";
    cancelled.signaturesBroken = 2;
    cancelled.partsUnconverted = 3;
    cancelled.messagesWithoutDate = 4;
    cancelled.filesUndated = 5;
    m = ComposeReport(cancelled, FakeText);
    EXPECT_EQ(m.kind, ReportKind::Cancelled);
    EXPECT_FALSE(m.warning);
    EXPECT_EQ(m.text,
              "[613]\nwritten 7 of 12\nunverifiable 2\nunconverted 3\nno date 4\ntime refused "
              "5\nto C:\\a.txt");

    ExportReport error;
    error.messagesWritten = 3;
    error.messagesFailed = 1;
    error.stoppingError = IDS_WRITE_ERROR;
    m = ComposeReport(error, FakeText);
    EXPECT_EQ(m.kind, ReportKind::Error);
    EXPECT_TRUE(m.warning);
    EXPECT_EQ(m.text, "[500]\nwritten 3 of 4") << "uncounted: written and failed make the total";
}

}  // namespace
}  // namespace tessera
