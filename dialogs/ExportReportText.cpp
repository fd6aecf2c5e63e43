#include "dialogs/ExportReportText.h"

#include <algorithm>

#include "resources/resource.h"

namespace tessera {

std::string FillFormat(const std::string& format, const std::vector<std::string>& args) {
    // '%' is never a trail byte of Shift-JIS, so a byte scan finds only directives.
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%' || i + 1 == format.size()) {
            out += c;
            continue;
        }
        char directive = format[++i];
        if (directive == '%') {
            out += '%';
        } else if (directive == 'd' || directive == 's') {
            if (next < args.size()) out += args[next++];
        } else {
            out += c;
            out += directive;
        }
    }
    return out;
}

std::string ProgressCountText(const TextLoader& load, int done, int total) {
    return FillFormat(load(IDS_PROGRESS_COUNT),
                      {std::to_string(done), std::to_string(std::max(done, total))});
}

ReportMessage ComposeReport(const ExportReport& report, const TextLoader& load) {
    ReportMessage message{ReportKind::Done, report.messagesFailed > 0, std::string()};
    int heading = IDS_REPORT_DONE;
    if (report.stoppingError != 0) {
        message.kind = ReportKind::Error;
        message.warning = true;
        heading = report.stoppingError;
    } else if (report.cancelled) {
        message.kind = ReportKind::Cancelled;
        heading = IDS_REPORT_CANCELLED;
    }
    // A selection that shrank while the export ran still reads sensibly.
    int total = std::max(report.messagesSelected, report.messagesWritten + report.messagesFailed);
    std::string& text = message.text;
    text = load(heading);
    text += "\n" + FillFormat(load(IDS_REPORT_WRITTEN),
                              {std::to_string(report.messagesWritten), std::to_string(total)});
    if (!report.failedBecause.empty()) {
        text += "\n" + FillFormat(load(IDS_REPORT_FAILED), {std::to_string(report.messagesFailed)});
    }
    // One short line per reason: a message box wraps long ones anywhere.
    for (const auto& failed : report.failedBecause) {
        text += "\n" + FillFormat(load(IDS_REPORT_FAILED_REASON),
                                  {load(failed.first), std::to_string(failed.second)});
    }
    // Signed mail the user's choices changed: its signature no longer verifies.
    if (report.signaturesBroken > 0) {
        text += "\n" +
                FillFormat(load(IDS_REPORT_SIGNATURES), {std::to_string(report.signaturesBroken)});
    }
    // Text a converter failed on, written as it came.
    if (report.partsUnconverted > 0) {
        text += "\n" +
                FillFormat(load(IDS_REPORT_UNCONVERTED), {std::to_string(report.partsUnconverted)});
    }
    // Files that keep the export time: the mail has no usable Date, or the system refused it.
    if (report.messagesWithoutDate > 0) {
        text += "\n" +
                FillFormat(load(IDS_REPORT_NO_DATE), {std::to_string(report.messagesWithoutDate)});
    }
    if (report.filesUndated > 0) {
        text +=
            "\n" + FillFormat(load(IDS_REPORT_TIME_REFUSED), {std::to_string(report.filesUndated)});
    }
    if (!report.target.empty()) text += "\n" + FillFormat(load(IDS_REPORT_TARGET), {report.target});
    return message;
}

}  // namespace tessera
