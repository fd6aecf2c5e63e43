#include "tools/cli/MessageText.h"

#include "platform/LocaleText.h"
#include "resources/StringTable.h"

namespace tessera {

std::string MessageText(int textId) {
    return TextRecoder(TextRecoder::From::Utf8, LocaleCharset())
        .Recode(StringTableText(textId), '?');
}

}  // namespace tessera
