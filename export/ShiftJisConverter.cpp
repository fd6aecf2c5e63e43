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
                               Unmappable unmappable, std::string& out,
                               ShiftJisRepertoire* repertoire) {
    if (text.find('\0') != std::string_view::npos) return false;
    const size_t start = out.size();
    switch (charset) {
        case JapaneseCharset::kIso2022Jp:
        case JapaneseCharset::kEucJp:
            if (!AppendThroughHost(charset, text, out)) return false;
            break;
        case JapaneseCharset::kShiftJis:
            out.append(text.data(), text.size());
            break;
        case JapaneseCharset::kUtf8: {
            // The UTF-8 writer measures what it writes: no second pass.
            size_t unmapped = 0;
            if (!AppendUtf8AsShiftJis(text, unmappable, out, &unmapped, repertoire)) return false;
            if (unmappable == Unmappable::kReference) references_ += unmapped;
            return true;
        }
        case JapaneseCharset::kNone:
            return false;
    }
    if (repertoire != nullptr) *repertoire = MeasureShiftJis(std::string_view(out).substr(start));
    return true;
}

bool ShiftJisConverter::AppendThroughHost(JapaneseCharset charset, std::string_view text,
                                          std::string& out) {
    const size_t start = out.size();
    while (!text.empty()) {
        const size_t length = LineLength(text);
        line_.assign(text.data(), length);
        if (!AppendHostLine(charset, line_.c_str(), out)) {
            out.resize(start);
            return false;
        }
        text.remove_prefix(length);
    }
    return true;
}

bool ShiftJisConverter::AppendHostLine(JapaneseCharset charset, const char* line,
                                       std::string& out) {
    const FnConvert convert = charset == JapaneseCharset::kIso2022Jp ? host_.ISO_2022_JP
                              : charset == JapaneseCharset::kEucJp   ? host_.EUC_JP
                                                                     : nullptr;
    char* converted = convert != nullptr ? convert(line, 0) : nullptr;
    // A few milliseconds of host calls between two ticks.
    if (tick_ && ++callsSinceTick_ == 64) {
        callsSinceTick_ = 0;
        tick_();
    }
    if (converted == nullptr) return false;
    const size_t length = std::strlen(converted);
    // An escape sequence the host's converter did not know (cut off, or of
    // another set) is left in its result: damaged text, refused whole.
    const bool damaged =
        charset == JapaneseCharset::kIso2022Jp && std::memchr(converted, 0x1B, length) != nullptr;
    if (!damaged) out.append(converted, length);
    host_.Free(converted);
    return !damaged;
}

}  // namespace tessera
