#include "tools/cli/MessageText.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>

#include "resources/StringTable.h"

namespace tessera {

namespace {

std::string TerminalCharset() {
    const char* codeset = nl_langinfo(CODESET);
    if (!codeset || !*codeset || std::strcmp(codeset, "ANSI_X3.4-1968") == 0) return "UTF-8";
    return codeset;
}

// Recodes with iconv; an unconvertible byte becomes '?' and the rest goes on.
std::string Recode(iconv_t cd, const std::string& text) {
    std::string out;
    char buffer[256];
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    while (inLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        size_t result = iconv(cd, &in, &inLeft, &dst, &dstLeft);
        out.append(buffer, static_cast<size_t>(dst - buffer));
        if (result != static_cast<size_t>(-1) || errno == E2BIG) continue;
        out += '?';
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

}  // namespace

std::string MessageText(int textId) {
    const std::string utf8 = StringTableText(textId);
    iconv_t cd = iconv_open(TerminalCharset().c_str(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return utf8;
    std::string out = Recode(cd, utf8);
    iconv_close(cd);
    return out;
}

}  // namespace tessera
