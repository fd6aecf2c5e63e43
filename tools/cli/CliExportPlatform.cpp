#include "tools/cli/CliExportPlatform.h"

#include "platform/Console.h"
#include "platform/LocalClock.h"
#include "tools/cli/CliText.h"
#include "tools/cli/MessageText.h"

namespace tessera {

CliExportPlatform::CliExportPlatform(const CliOptions& options, FILE* messages, FILE* answers)
    : options_(options),
      messages_(messages),
      answers_(answers),
      files_(options.ifExists == IfExists::Cancel,
             [this](const std::string& path) {
                 Say(Tr("%1 exists; kept, its message not written (--if-exists cancel)",
                        {Shown(path)}));
             }),
      names_(TextRecoder::From::ShiftJis, NamesCharset()),
      utf8Names_(TextRecoder::From::Utf8, NamesCharset()) {}

void CliExportPlatform::Say(const std::string& text) {
    std::fprintf(messages_, "tessera-export: %s\n", SystemToConsole(text).c_str());
    std::fflush(messages_);
}

int CliExportPlatform::RunFormatDialog(ExportFormat& format) {
    format.SaveType = options_.saveType;
    format.Convert = true;
    if (options_.hasSeparator) format.Separator = options_.separator;
    format.NoAttach = options_.noAttach;
    ApplyCliExtras(options_, format);
    return 1;
}

bool CliExportPlatform::ChooseSaveFile(HostWindow, const std::string&, std::string& path) {
    path = options_.output;
    return true;
}

int CliExportPlatform::AskOverwrite(const std::string& path) {
    if (options_.ifExists == IfExists::Overwrite) return kOverwriteReplace;
    if (options_.ifExists == IfExists::Append) return kOverwriteAppend;
    cancelled_ = true;
    if (options_.ifExists == IfExists::Cancel || !answers_) {
        Say(Tr("%1 exists; not written (choose --if-exists overwrite or append)", {path}));
        return kOverwriteCancel;
    }
    int answer = ReadAnswer(path);
    if (answer == kOverwriteCancel) {
        Say(Tr("%1 not written: cancelled", {path}));
    } else {
        cancelled_ = false;
    }
    return answer;
}

int CliExportPlatform::ReadAnswer(const std::string& path) {
    while (true) {
        std::string question = Tr("%1 exists: [o]verwrite, [a]ppend or [c]ancel? ", {path});
        std::fprintf(messages_, "tessera-export: %s", SystemToConsole(question).c_str());
        std::fflush(messages_);
        std::string line;
        int c;
        while ((c = std::fgetc(answers_)) != EOF && c != '\n') line += static_cast<char>(c);
        if (c == EOF && line.empty()) {
            std::fputc('\n', messages_);
            return kOverwriteCancel;
        }
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line == "o" || line == "O" || line == "overwrite") return kOverwriteReplace;
        if (line == "a" || line == "A" || line == "append") return kOverwriteAppend;
        if (line == "c" || line == "C" || line == "cancel") return kOverwriteCancel;
        Say(Tr("please answer o, a or c"));
    }
}

bool CliExportPlatform::BrowseFolder(HostWindow, const std::string&, std::string& folder) {
    folder = LocalFileSystem::AsFolder(options_.output);
    return true;
}

void CliExportPlatform::NoteFailedMessage(int number, int reasonId) {
    failedNumber_ = number;
    failedReason_ = reasonId;
    // What the files noted belongs to this message, not to a later one.
    failedFile_ = files_.TakeFailure();
}

void CliExportPlatform::ShowMessage(HostWindow, int textId) {
    std::string text = MessageText(textId);
    if (failedNumber_ > 0) {
        std::string which = MessageText(IDS_FAILED_MESSAGE);
        size_t at = which.find("%d");
        if (at != std::string::npos) which.replace(at, 2, std::to_string(failedNumber_));
        at = which.find("%s");
        if (at != std::string::npos) which.replace(at, 2, MessageText(failedReason_));
        text += " (" + which + ")";
        if (!failedFile_.empty()) text += " (" + Shown(failedFile_) + ")";
        failedNumber_ = 0;
    }
    std::string failure = files_.TakeFailure();
    if (failure.empty()) failure.swap(refused_);
    const bool onlyKept = textId == IDS_WRITE_ERROR && failure.empty() && report_ &&
                          files_.Kept() > 0 && report_->messagesFailed <= files_.Kept();
    if (onlyKept) return;
    if (!failure.empty()) text += " (" + Shown(failure) + ")";
    Say(text);
}

std::string CliExportPlatform::NameOnDisk(const std::string& name, TargetCharset charset) {
    lastName_ = name;
    lastNameKept_ = charset == TargetCharset::kShiftJis;
    if (options_.names == NameCharset::ShiftJis) return name;
    TextRecoder& names = charset == TargetCharset::kUtf8 ? utf8Names_ : names_;
    if (!names.Usable()) {
        if (!namesUnusableTold_)
            Say(Tr("no converter to %1: names kept in Shift-JIS", {NamesCharset()}));
        namesUnusableTold_ = true;
        return name;
    }
    lastNameKept_ = false;
    // '_' for what the system's character set cannot write: it is valid in every name.
    return names.Recode(name, '_');
}

std::string CliExportPlatform::NamesCharset() const {
    return options_.target == TargetCharset::kUtf8 ? Utf8NameCharset() : LocaleCharset();
}

std::string CliExportPlatform::Shown(const std::string& path) const {
    // A recoded name is in the system's character set already.
    if (!lastNameKept_ || lastName_.empty()) return path;
    size_t at = path.rfind(lastName_);
    if (at == std::string::npos) return path;
    TextRecoder toLocale(TextRecoder::From::ShiftJis, LocaleCharset());
    std::string shown = toLocale.Recode(lastName_, '?');
    return path.substr(0, at) + shown + path.substr(at + lastName_.size());
}

bool CliExportPlatform::IsProtected(const std::string& path) {
    bool held = inputs_ && inputs_->Holds(path);
    // Told with the next message, unless the export goes on to another name.
    refused_ = held ? path + ": one of the inputs, never written" : std::string();
    return held;
}

CalendarTime CliExportPlatform::LocalNow() { return tessera::LocalNow(); }

}  // namespace tessera
