#include "export/mime/PartLabels.h"

#include <vector>

#include "export/mime/HeaderParameters.h"
#include "export/mime/LineList.h"
#include "export/mime/MimePart.h"
#include "export/text/AsciiText.h"

namespace tessera {

namespace {

constexpr std::string_view kContentType = "content-type";
constexpr std::string_view kTransferEncoding = "content-transfer-encoding";
constexpr std::string_view kDisposition = "content-disposition";

// The value of a header entry named `lowerName`; false for other entries.
bool EntryValue(std::string_view text, std::string_view lowerName, std::string_view& value) {
    if (text.size() <= lowerName.size() || text[lowerName.size()] != ':') return false;
    if (!StartsWithIgnoreCase(text, lowerName)) return false;
    value = text.substr(lowerName.size() + 1);
    return true;
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
    const HeaderValue value = ParseHeaderValue(text.substr(valueOffset));
    const int at = FindRawParameter(value, "charset");
    if (at >= 0) {
        const RawParameter& p = value.parameters[static_cast<size_t>(at)];
        std::string out(text);
        out.replace(valueOffset + p.valueBegin, p.valueEnd - p.valueBegin, charset.data(),
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
        if (!EntryValue(e.Stored(), kContentType, value)) continue;
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
        if (!EntryValue(e.Stored(), kTransferEncoding, value)) continue;
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

PartLabels ReadPartLabels(const MimePart& part) {
    PartLabels labels;
    int types = 0;
    int encodings = 0;
    bool named = false;
    std::string disposition;  // a copy: a line's text lasts only while the cursor is on it
    for (ConstLineCursor e(part.headers); e; e.Next()) {
        // Read where it is stored, without the CR LF at its end: no copy.
        const std::string_view entry = e.Stored();
        std::string_view value;
        if (EntryValue(entry, kContentType, value)) {
            ++types;
            const HeaderValue parsed = ParseHeaderValue(value);
            labels.charset = FindParameter(parsed, "charset").value;
            named = named || HasParameter(parsed, "name");
        } else if (EntryValue(entry, kTransferEncoding, value)) {
            ++encodings;
            labels.encoding = EncodingNamed(FirstToken(value));
        } else if (EntryValue(entry, kDisposition, value) && disposition.empty()) {
            const HeaderValue parsed = ParseHeaderValue(value);
            disposition = parsed.token;
            named = named || HasParameter(parsed, "filename");
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
