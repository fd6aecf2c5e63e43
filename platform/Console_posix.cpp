#include "platform/Console.h"

#include <iconv.h>
#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tessera {

namespace {

std::string ConsoleCharset() {
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

bool IsTerminal(FILE* stream) { return isatty(fileno(stream)) == 1; }

std::string ShiftJisToConsole(const std::string& shiftJis) {
    iconv_t cd = iconv_open(ConsoleCharset().c_str(), "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return shiftJis;
    std::string out = Recode(cd, shiftJis);
    iconv_close(cd);
    return out;
}

// Paths and error texts are already in the locale's bytes.
std::string SystemToConsole(const std::string& text) { return text; }

void UseBinaryStandardStreams() {}

}  // namespace tessera
