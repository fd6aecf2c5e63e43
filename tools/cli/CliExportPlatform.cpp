#include "tools/cli/CliExportPlatform.h"

#include "platform/Console.h"
#include "platform/LocalClock.h"
#include "tools/cli/MessageText.h"

namespace tessera {

CliExportPlatform::CliExportPlatform(const CliOptions& options, FILE* messages, FILE* answers)
    : options_(options), messages_(messages), answers_(answers) {}

void CliExportPlatform::Say(const std::string& text) {
    std::fprintf(messages_, "tessera-export: %s\n", SystemToConsole(text).c_str());
    std::fflush(messages_);
}

int CliExportPlatform::RunFormatDialog(ExportFormat& format) {
    format.SaveType = options_.saveType;
    format.Convert = true;
    if (options_.hasSeparator) format.Separator = options_.separator;
    format.NoAttach = options_.noAttach;
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
    // The message text is Shift-JIS, the file error the system's: each is recoded on its own.
    std::string text = ShiftJisToConsole(ShiftJisMessageText(textId));
    std::string failure = files_.TakeFailure();
    if (!failure.empty()) text += " (" + SystemToConsole(failure) + ")";
    std::fprintf(messages_, "tessera-export: %s\n", text.c_str());
    std::fflush(messages_);
}

CalendarTime CliExportPlatform::LocalNow() { return tessera::LocalNow(); }

}  // namespace tessera
