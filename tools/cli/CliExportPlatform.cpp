#include "tools/cli/CliExportPlatform.h"

#include "platform/Console.h"
#include "platform/LocalClock.h"
#include "tools/cli/MessageText.h"

namespace tessera {

CliExportPlatform::CliExportPlatform(const CliOptions& options, FILE* messages, FILE* answers)
    : options_(options),
      messages_(messages),
      answers_(answers),
      names_(TextRecoder::From::ShiftJis, LocaleCharset()) {}

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
        Say(path + " exists; not written (choose --if-exists overwrite or append)");
        return kOverwriteCancel;
    }
    std::fprintf(messages_, "tessera-export: %s exists: [o]verwrite, [a]ppend or [c]ancel? ",
                 SystemToConsole(path).c_str());
    std::fflush(messages_);
    char line[64];
    if (!std::fgets(line, sizeof line, answers_)) return kOverwriteCancel;
    if (line[0] == 'o' || line[0] == 'O') {
        cancelled_ = false;
        return kOverwriteReplace;
    }
    if (line[0] == 'a' || line[0] == 'A') {
        cancelled_ = false;
        return kOverwriteAppend;
    }
    return kOverwriteCancel;
}

bool CliExportPlatform::BrowseFolder(HostWindow, const std::string&, std::string& folder) {
    folder = LocalFileSystem::AsFolder(options_.output);
    return true;
}

void CliExportPlatform::ShowMessage(HostWindow, int textId) {
    std::string text = MessageText(textId);
    std::string failure = files_.TakeFailure();
    if (failure.empty()) failure.swap(refused_);
    if (!failure.empty()) text += " (" + Shown(failure) + ")";
    Say(text);
}

std::string CliExportPlatform::NameOnDisk(const std::string& name) {
    lastName_ = name;
    lastNameKept_ = true;
    if (options_.names == NameCharset::ShiftJis) return name;
    if (!names_.Usable()) {
        if (!namesUnusableTold_)
            Say("no converter to " + LocaleCharset() + ": names kept in Shift-JIS");
        namesUnusableTold_ = true;
        return name;
    }
    lastNameKept_ = false;
    // '_' for what the system's character set cannot write: it is valid in every name.
    return names_.Recode(name, '_');
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
