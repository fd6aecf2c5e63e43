#include "export/PartLabels.h"

#include <vector>

#include "export/AsciiText.h"
#include "export/LineList.h"
#include "export/MimePart.h"

namespace tessera {

namespace {

constexpr std::string_view kContentType = "content-type";
constexpr std::string_view kTransferEncoding = "content-transfer-encoding";
constexpr std::string_view kDisposition = "content-disposition";

struct Parameter {
    std::string_view name;
    size_t valueStart = 0;  // the value as written (quotes included) in the scanned text
    size_t valueEnd = 0;
};

// The value of a header entry named `lowerName`; false for other entries.
bool HeaderValue(const LineEntry& entry, std::string_view lowerName, std::string_view& value) {
    const std::string_view text(entry.text, entry.length);
    if (text.size() <= lowerName.size() || text[lowerName.size()] != ':') return false;
    if (!StartsWithIgnoreCase(text, lowerName)) return false;
    value = text.substr(lowerName.size() + 1);
    return true;
}

// End of the value that starts at `i` (quoted string or token).
size_t ValueEnd(std::string_view text, size_t i) {
    if (i < text.size() && text[i] == '"') {
        for (++i; i < text.size(); ++i) {
            if (text[i] == '\\' && i + 1 < text.size()) {
                ++i;
            } else if (text[i] == '"') {
                return i + 1;
            }
        }
        return text.size();
    }
    while (i < text.size() && text[i] != ';' && !IsBlank(text[i])) ++i;
    return i;
}

// The "name=value" parameters after the first ';' of a structured value.
std::vector<Parameter> ScanParameters(std::string_view text) {
    std::vector<Parameter> out;
    size_t i = text.find(';');
    while (i != std::string_view::npos && i < text.size()) {
        ++i;
        while (i < text.size() && (IsBlank(text[i]) || text[i] == ';')) ++i;
        size_t nameEnd = i;
        while (nameEnd < text.size() && text[nameEnd] != '=' && text[nameEnd] != ';') ++nameEnd;
        if (nameEnd == text.size() || text[nameEnd] == ';') {
            i = nameEnd;
            continue;
        }
        Parameter p;
        p.name = TrimBlanks(text.substr(i, nameEnd - i));
        size_t v = nameEnd + 1;
        while (v < text.size() && IsBlank(text[v])) ++v;
        p.valueStart = v;
        p.valueEnd = ValueEnd(text, v);
        out.push_back(p);
        i = text.find(';', p.valueEnd);
    }
    return out;
}

std::string Unquote(std::string_view raw) {
    if (raw.empty() || raw[0] != '"') return std::string(raw);
    std::string out;
    for (size_t i = 1; i < raw.size() && raw[i] != '"'; ++i) {
        if (raw[i] == '\\' && i + 1 < raw.size()) ++i;
        out.push_back(raw[i]);
    }
    return out;
}

// "name", "name*", "name*0", "name*0*": the RFC 2231 forms of one parameter.
bool IsParameterNamed(std::string_view name, std::string_view lowerBase) {
    return StartsWithIgnoreCase(name, lowerBase) &&
           (name.size() == lowerBase.size() || name[lowerBase.size()] == '*');
}

bool HasParameterNamed(std::string_view value, std::string_view lowerBase) {
    for (const Parameter& p : ScanParameters(value)) {
        if (IsParameterNamed(p.name, lowerBase)) return true;
    }
    return false;
}

std::string_view FirstToken(std::string_view value) {
    const std::string_view trimmed = TrimBlanks(value);
    return TrimBlanks(trimmed.substr(0, trimmed.find(';')));
}

TransferEncoding EncodingNamed(std::string_view token) {
    if (token.empty() || EqualsIgnoreCase(token, "7bit") || EqualsIgnoreCase(token, "8bit") ||
        EqualsIgnoreCase(token, "binary")) {
        return TransferEncoding::kIdentity;
    }
    if (EqualsIgnoreCase(token, "base64")) return TransferEncoding::kBase64;
    if (EqualsIgnoreCase(token, "quoted-printable")) return TransferEncoding::kQuotedPrintable;
    return TransferEncoding::kOther;
}

// Inserts `line` (CR LF included) before the blank line that ends the block.
void InsertHeaderLine(LineList& headers, std::string_view line) {
    std::vector<std::string> lines;
    for (ConstLineCursor e(headers); e; e.Next()) lines.emplace_back(e->text, e->length);
    size_t at = lines.size();
    if (!lines.empty() && lines.back() == "\r\n") --at;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), std::string(line));
    headers.Clear();
    for (const std::string& text : lines) headers.Append(text.data(), text.size());
}

// The Content-Type text with its charset parameter set to `charset`.
std::string WithCharset(std::string_view text, size_t valueOffset, std::string_view charset) {
    const std::string_view value = text.substr(valueOffset);
    for (const Parameter& p : ScanParameters(value)) {
        if (!EqualsIgnoreCase(p.name, "charset")) continue;
        std::string out(text);
        out.replace(valueOffset + p.valueStart, p.valueEnd - p.valueStart, charset.data(),
                    charset.size());
        return out;
    }
    size_t end = text.size();
    while (end > valueOffset && IsBlank(text[end - 1])) --end;
    const bool hasSemicolon = end > valueOffset && text[end - 1] == ';';
    std::string out(text.substr(0, end));
    out += hasSemicolon ? " charset=" : "; charset=";
    out.append(charset.data(), charset.size());
    out.append(text.substr(end));
    return out;
}

void SetCharset(MimePart& part, std::string_view charset) {
    for (LineCursor e(part.headers); e; e.Next()) {
        std::string_view value;
        if (!HeaderValue(*e, kContentType, value)) continue;
        const std::string_view text(e->text, e->length);
        const std::string updated = WithCharset(text, kContentType.size() + 1, charset);
        e->SetText(updated.data(), updated.size());
        return;
    }
    InsertHeaderLine(part.headers,
                     "Content-Type: text/plain; charset=" + std::string(charset) + "\r\n");
}

void SetTransferEncoding(MimePart& part, std::string_view encoding) {
    for (LineCursor e(part.headers); e; e.Next()) {
        std::string_view value;
        if (!HeaderValue(*e, kTransferEncoding, value)) continue;
        std::string updated(e->text, kTransferEncoding.size() + 1);
        updated += ' ';
        updated.append(encoding.data(), encoding.size());
        updated += "\r\n";
        e->SetText(updated.data(), updated.size());
        return;
    }
    if (EqualsIgnoreCase(encoding, "7bit")) return;
    InsertHeaderLine(part.headers, "Content-Transfer-Encoding: " + std::string(encoding) + "\r\n");
}

}  // namespace

std::string HeaderParameter(std::string_view value, std::string_view name) {
    for (const Parameter& p : ScanParameters(value)) {
        if (EqualsIgnoreCase(p.name, name))
            return Unquote(value.substr(p.valueStart, p.valueEnd - p.valueStart));
    }
    return std::string();
}

PartLabels ReadPartLabels(const MimePart& part) {
    PartLabels labels;
    int types = 0;
    int encodings = 0;
    bool named = false;
    std::string disposition;  // a copy: a line's text lasts only while the cursor is on it
    for (ConstLineCursor e(part.headers); e; e.Next()) {
        std::string_view value;
        if (HeaderValue(*e, kContentType, value)) {
            ++types;
            labels.charset = HeaderParameter(value, "charset");
            named = named || HasParameterNamed(value, "name");
        } else if (HeaderValue(*e, kTransferEncoding, value)) {
            ++encodings;
            labels.encoding = EncodingNamed(FirstToken(value));
        } else if (HeaderValue(*e, kDisposition, value) && disposition.empty()) {
            disposition = std::string(FirstToken(value));
            named = named || HasParameterNamed(value, "filename");
        }
    }
    labels.ambiguous = types > 1 || encodings > 1;
    labels.isFile = EqualsIgnoreCase(disposition, "attachment") ||
                    (named && !EqualsIgnoreCase(disposition, "inline"));
    return labels;
}

void RelabelPart(MimePart& part, std::string_view charset, std::string_view transferEncoding) {
    if (!charset.empty()) SetCharset(part, charset);
    if (!transferEncoding.empty()) SetTransferEncoding(part, transferEncoding);
}

}  // namespace tessera
