#include "platform/LocaleText.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <cstring>

#include "export/text/ShiftJisText.h"

namespace tessera {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

iconv_t Open(const std::string& to, const char* from) {
    iconv_t cd = iconv_open(to.c_str(), from);
    return cd == kNoConverter ? nullptr : cd;
}

}  // namespace

std::string LocaleCharset() {
    const char* codeset = nl_langinfo(CODESET);
    if (!codeset || !*codeset) return "UTF-8";
    for (const char* ascii : {"ANSI_X3.4-1968", "ASCII", "US-ASCII"}) {
        if (std::strcmp(codeset, ascii) == 0) return "UTF-8";
    }
    return codeset;
}

std::string Utf8NameCharset() { return "UTF-8"; }

TextRecoder::TextRecoder(From from, const std::string& to) : from_(from), converter_(nullptr) {
    const std::string locale = LocaleCharset();
    // A UTF-8 locale's characters are measured as UTF-8 when one does not convert.
    if (from_ == From::Locale && locale == "UTF-8") from_ = From::Utf8;
    const std::string source = from_ == From::ShiftJis ? "CP932"
                               : from_ == From::Utf8   ? "UTF-8"
                                                       : locale;
    converter_ = Open(to, source.c_str());
}

TextRecoder::~TextRecoder() {
    if (Usable()) iconv_close(static_cast<iconv_t>(converter_));
}

bool TextRecoder::Usable() const { return converter_ != nullptr; }

size_t TextRecoder::CharacterWidth(const char* p, size_t left) const {
    if (from_ == From::ShiftJis) {
        return IsShiftJisLeadByte(static_cast<unsigned char>(*p)) && left > 1 ? 2 : 1;
    }
    if (from_ == From::Locale) return 1;
    size_t width = 1;
    while (width < left && (static_cast<unsigned char>(p[width]) & 0xC0) == 0x80) ++width;
    return width;
}

std::string TextRecoder::Recode(const std::string& text, char replacement) {
    if (!Usable()) return text;
    iconv_t cd_ = static_cast<iconv_t>(converter_);
    std::string out;
    char buffer[256];
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        size_t result = iconv(cd_, &in, &inLeft, &dst, &dstLeft);
        out.append(buffer, static_cast<size_t>(dst - buffer));
        if (result != static_cast<size_t>(-1) || errno == E2BIG) continue;
        // The whole character goes, not only its first byte: a Shift-JIS
        // second byte may look like ASCII.
        size_t width = CharacterWidth(in, inLeft);
        out += replacement;
        in += width;
        inLeft -= width;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    // A stateful character set returns to its initial state at the end.
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
    out.append(buffer, static_cast<size_t>(dst - buffer));
    return out;
}

}  // namespace tessera
