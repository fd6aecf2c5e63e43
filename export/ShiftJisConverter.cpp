#include "export/ShiftJisConverter.h"

#include <cstring>

namespace tessera {

namespace {

// Length of the line at the start of `text`, its LF included. The host's
// converters end a line at CR too, so a line given to them may hold a CR.
size_t LineLength(std::string_view text) {
    const void* lf = std::memchr(text.data(), '\n', text.size());
    if (lf == nullptr) return text.size();
    return static_cast<size_t>(static_cast<const char*>(lf) - text.data()) + 1;
}

}  // namespace

ShiftJisConverter::ShiftJisConverter(const HostApi& host) : host_(host) {}

bool ShiftJisConverter::Append(JapaneseCharset charset, std::string_view text,
                               Unmappable unmappable, std::string& out) {
    if (text.find('\0') != std::string_view::npos) return false;
    switch (charset) {
        case JapaneseCharset::kIso2022Jp:
            return AppendThroughHost(host_.ISO_2022_JP, text, out, true);
        case JapaneseCharset::kEucJp:
            return AppendThroughHost(host_.EUC_JP, text, out, false);
        case JapaneseCharset::kShiftJis:
            out.append(text.data(), text.size());
            return true;
        case JapaneseCharset::kUtf8: {
            size_t unmapped = 0;
            if (!AppendUtf8AsShiftJis(text, unmappable, out, &unmapped)) return false;
            if (unmappable == Unmappable::kReference) references_ += unmapped;
            return true;
        }
        case JapaneseCharset::kNone:
            break;
    }
    return false;
}

bool ShiftJisConverter::AppendThroughHost(FnConvert convert, std::string_view text,
                                          std::string& out, bool refuseEscapes) {
    if (convert == nullptr) return false;
    const size_t start = out.size();
    while (!text.empty()) {
        const size_t length = LineLength(text);
        line_.assign(text.data(), length);
        char* converted = convert(line_.c_str(), 0);
        if (converted == nullptr) {
            out.resize(start);
            return false;
        }
        out.append(converted, std::strlen(converted));
        host_.Free(converted);
        text.remove_prefix(length);
    }
    // An escape sequence the host's converter did not know (cut off, or of
    // another set) is left in its result: damaged text, refused whole.
    if (refuseEscapes && std::memchr(out.data() + start, 0x1B, out.size() - start) != nullptr) {
        out.resize(start);
        return false;
    }
    return true;
}

}  // namespace tessera
