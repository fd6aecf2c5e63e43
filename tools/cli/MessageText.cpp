#include "tools/cli/MessageText.h"

#include "platform/LocaleText.h"
#include "resources/StringTable.h"
#include "resources/resource.h"
#include "tools/cli/CliText.h"

namespace tessera {

namespace {

// The English of the plug-in's texts the command line shows; their Japanese
// is the plug-in's own string table.
const char* English(int textId) {
    switch (textId) {
        case IDS_WRITE_ERROR:
            return "An error occurred while saving";
        case IDS_NO_SAVE_PATH:
            return "No folder to save in is set";
        case IDS_FAILED_NO_SOURCE:
            return "the message cannot be fetched";
        case IDS_FAILED_NO_FILE:
            return "the file cannot be made";
        case IDS_FAILED_WRITE:
            return "writing failed";
        case IDS_FAILED_TOO_LARGE:
            return "too large for memory";
        case IDS_FAILED_EMPTY:
            return "the message is empty";
        case IDS_FAILED_MESSAGE:
            return "message %d: %s";
        default:
            return nullptr;
    }
}

}  // namespace

std::string MessageText(int textId) {
    const char* english = English(textId);
    if (english && !JapaneseTexts()) return english;
    return TextRecoder(TextRecoder::From::Utf8, LocaleCharset())
        .Recode(StringTableText(textId), '?');
}

}  // namespace tessera
