// Window-free texts of a long export: the progress count and the message
// that tells how the export ended. Formats come from the string table
// through a loader, so the rules are tested without resources.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "export/seams/ExportReport.h"

namespace tessera {

// Returns the string-table entry `id` (Shift-JIS bytes).
using TextLoader = std::function<std::string(int id)>;

// `format` with each "%d" or "%s" replaced by the next of `args`, in order,
// and "%%" by one percent sign. Arguments are never read as formats, and a
// directive with no argument left is dropped.
std::string FillFormat(const std::string& format, const std::vector<std::string>& args);

// "n / total 通" of the progress window.
std::string ProgressCountText(const TextLoader& load, int done, int total);

enum class ReportKind { Done, Cancelled, Error };

struct ReportMessage {
    ReportKind kind;
    bool warning;  // a message failed or an error stopped the export
    std::string text;
};

// What the user is told at the end: how it ended, how many of how many
// messages were written, how many failed and why, and the target.
ReportMessage ComposeReport(const ExportReport& report, const TextLoader& load);

}  // namespace tessera
