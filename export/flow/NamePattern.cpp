#include "export/flow/NamePattern.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "export/conversion/HeaderTextConversion.h"
#include "export/conversion/ShiftJisConverter.h"
#include "export/framing/EnvelopeLine.h"
#include "export/framing/FileNaming.h"
#include "export/mime/MimePart.h"

namespace tessera {

namespace {

constexpr size_t kNameBufferSize = 1024;

void AppendNumber(std::string& out, int value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", digits, value);
    out += text;
}

std::string HeaderText(const MimePart& root, const char* name, ShiftJisConverter& converter) {
    std::unique_ptr<char[]> value(new char[kMaxFoldedHeaderBytes + 1]);
    root.GetHeader(name, value.get(), kMaxFoldedHeaderBytes + 1);
    std::string converted;
    ConvertHeaderText(value.get(), converter, Unmappable::kUnderscore, converted);
    return converted;
}

std::string_view TrimName(std::string_view text) {
    const char* const kTrim = " \t\r\n\"";
    const size_t begin = text.find_first_not_of(kTrim);
    if (begin == std::string_view::npos) return std::string_view();
    return text.substr(begin, text.find_last_not_of(kTrim) - begin + 1);
}

// "Name <addr>" gives Name, "addr (Name)" gives Name, a bare address nothing.
std::string DisplayName(std::string_view from) {
    const size_t open = from.find('<');
    if (open != std::string_view::npos) return std::string(TrimName(from.substr(0, open)));
    const size_t paren = from.find('(');
    if (paren == std::string_view::npos) return std::string();
    const size_t close = from.find(')', paren);
    return std::string(TrimName(from.substr(
        paren + 1, close == std::string_view::npos ? std::string_view::npos : close - paren - 1)));
}

}  // namespace

std::string ExpandNamePattern(std::string_view pattern, const NameFields& fields) {
    const CalendarTime& t = fields.date.local;
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%' || i + 1 == pattern.size()) {
            out += pattern[i];
            continue;
        }
        switch (pattern[++i]) {
            case 's':
                out += fields.subject;
                break;
            case 'Y':
                AppendNumber(out, t.year, 4);
                break;
            case 'm':
                AppendNumber(out, t.month, 2);
                break;
            case 'd':
                AppendNumber(out, t.day, 2);
                break;
            case 'H':
                AppendNumber(out, t.hour, 2);
                break;
            case 'M':
                AppendNumber(out, t.minute, 2);
                break;
            case 'f':
                out += fields.senderName;
                break;
            case 'a':
                out += fields.senderAddress;
                break;
            case 'n':
                AppendNumber(out, static_cast<int>(fields.number), 4);
                break;
            case '%':
                out += '%';
                break;
            default:
                out += '%';
                out += pattern[i];
        }
    }
    return out;
}

NameFields ReadNameFields(const MimePart& root, ShiftJisConverter& converter,
                          const CalendarTime& exportTime, unsigned number) {
    NameFields fields;
    fields.number = number;
    fields.subject = HeaderText(root, "Subject", converter);
    if (!ReadMessageDate(root, fields.date)) {
        fields.date = MessageDate();
        fields.date.local = exportTime;
    }
    const std::string from = HeaderText(root, "From", converter);
    char address[kEnvelopeAddressSize];
    ExtractEnvelopeAddress(from.c_str(), address, sizeof address,
                           converter.Target() == TargetCharset::kUtf8);
    fields.senderAddress = std::string(TrimName(address));
    fields.senderName = DisplayName(from);
    if (fields.senderName.empty()) fields.senderName = fields.senderAddress;
    return fields;
}

std::string PatternFileName(std::string_view pattern, const NameFields& fields,
                            TargetCharset charset) {
    const std::string text = ExpandNamePattern(pattern, fields);
    std::vector<char> buffer(kNameBufferSize);
    SubjectToFileName(text.c_str(), buffer.data(), buffer.size(), charset);
    return buffer.data();
}

}  // namespace tessera
