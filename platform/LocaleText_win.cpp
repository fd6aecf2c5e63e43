#include "platform/LocaleText.h"

#include <windows.h>

#include <cstdlib>
#include <vector>

namespace tessera {

namespace {

// The code page a character-set name stands for: "CP932", "UTF-8"; 0 when unknown.
UINT CodePage(const std::string& name) {
    if (name == "UTF-8") return CP_UTF8;
    if (name.compare(0, 2, "CP") == 0)
        return static_cast<UINT>(std::strtoul(name.c_str() + 2, nullptr, 10));
    return 0;
}

// Both code pages, packed into the converter's pointer-sized slot.
struct CodePages {
    UINT from;
    UINT to;
};

}  // namespace

std::string LocaleCharset() { return "CP" + std::to_string(GetACP()); }

std::string Utf8NameCharset() { return LocaleCharset(); }

TextRecoder::TextRecoder(From from, const std::string& to) : from_(from), converter_(nullptr) {
    UINT target = CodePage(to);
    if (target != 0 && IsValidCodePage(target)) {
        const UINT source = from == From::ShiftJis ? 932u
                            : from == From::Utf8   ? static_cast<UINT>(CP_UTF8)
                                                   : GetACP();
        converter_ = new CodePages{source, target};
    }
}

TextRecoder::~TextRecoder() { delete static_cast<CodePages*>(converter_); }

bool TextRecoder::Usable() const { return converter_ != nullptr; }

size_t TextRecoder::CharacterWidth(const char*, size_t) const { return 1; }

std::string TextRecoder::Recode(const std::string& text, char replacement) {
    if (!Usable() || text.empty()) return text;
    const CodePages& pages = *static_cast<CodePages*>(converter_);
    if (pages.from == pages.to) return text;
    int wide =
        MultiByteToWideChar(pages.from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (wide <= 0) return text;
    std::vector<wchar_t> utf16(static_cast<size_t>(wide));
    MultiByteToWideChar(pages.from, 0, text.data(), static_cast<int>(text.size()), utf16.data(),
                        wide);
    const char fallback[2] = {replacement, '\0'};
    // The UTF-8 code page takes no replacement character of its own. Elsewhere
    // no look-alike stands in: "／" would become a path's '/'.
    const bool utf8 = pages.to == CP_UTF8;
    const char* defaultChar = utf8 ? nullptr : fallback;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    int bytes =
        WideCharToMultiByte(pages.to, flags, utf16.data(), wide, nullptr, 0, defaultChar, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(pages.to, flags, utf16.data(), wide, &out[0], bytes, defaultChar, nullptr);
    return out;
}

}  // namespace tessera
