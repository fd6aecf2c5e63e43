#include "export/TextPartConversion.h"

#include <cstring>
#include <string>
#include <vector>

#include "export/AsciiCase.h"
#include "export/CharsetLabel.h"
#include "export/CharsetSniffing.h"
#include "export/HeaderTextConversion.h"
#include "export/HtmlCharsetDeclaration.h"
#include "export/LineReader.h"
#include "export/MimePart.h"
#include "export/PartLabels.h"
#include "export/ShiftJisConverter.h"
#include "export/TransferDecoding.h"

namespace tessera {

namespace {

// Host-converted text may hold codes no reader decodes (JIS rows beyond
// JIS X 0208, such as carrier emoji): the label of the widest repertoire.
constexpr const char* kWidestLabel = "MS932";

std::string JoinLines(const LineList& lines) {
    std::string text;
    text.reserve(lines.TotalLength());
    for (const LineEntry* e = lines.head; e != nullptr; e = e->next)
        text.append(e->text, e->length);
    return text;
}

bool TransferDecode(TransferEncoding encoding, std::string_view raw, std::string& out) {
    if (encoding == TransferEncoding::kBase64) return AppendBase64Bytes(raw, out);
    if (encoding == TransferEncoding::kQuotedPrintable) return AppendQuotedPrintableBytes(raw, out);
    return false;
}

JapaneseCharset ChooseCharset(const PartLabels& labels, std::string_view messageCharset,
                              std::string_view text) {
    JapaneseCharset declared = IdentifyJapaneseCharset(labels.charset);
    if (declared != JapaneseCharset::kNone) return ResolveJapaneseCharset(declared, text);
    // Another charset named by the part itself is believed.
    if (!labels.charset.empty() && !IsUsAsciiLabel(labels.charset)) return JapaneseCharset::kNone;
    declared = IdentifyJapaneseCharset(messageCharset);
    if (declared != JapaneseCharset::kNone) return ResolveJapaneseCharset(declared, text);
    if (HasIso2022JpEscape(text)) return ResolveJapaneseCharset(JapaneseCharset::kIso2022Jp, text);
    if (labels.charset.empty() && HasEightBitByte(text) && IsWellFormedUtf8(text)) {
        return JapaneseCharset::kUtf8;
    }
    return JapaneseCharset::kNone;
}

// Makes `text` the body, one line per CR, LF or CR LF; false, with the body as
// it was, when a line is longer than the walker stores one.
bool ReplaceBody(LineList& body, std::string_view text) {
    std::vector<LineSpan> lines;
    const char* cursor = text.data();
    const char* end = cursor + text.size();
    LineSpan line;
    while (NextLine(cursor, end, kMaxLineBytes + 1, line)) {
        if (line.length > kMaxLineBytes) return false;
        lines.push_back(line);
    }
    body.Clear();
    for (const LineSpan& l : lines) body.AppendLine(l.data, l.length);
    return true;
}

const char* TransferEncodingLabel(bool transferDecoded, bool eightBit) {
    if (eightBit) return "8bit";
    return transferDecoded ? "7bit" : "";
}

bool IsStructuralHeader(std::string_view line) {
    if (StartsWithAsciiNoCase(line, "content-"))
        return !StartsWithAsciiNoCase(line, "content-description:");
    return StartsWithAsciiNoCase(line, "mime-version:");
}

bool MayNeedConversion(std::string_view line) {
    return line.find("=?") != std::string_view::npos || HasEightBitByte(line) ||
           line.find('\x1b') != std::string_view::npos;
}

}  // namespace

bool ConvertTextPart(MimePart& part, std::string_view messageCharset,
                     ShiftJisConverter& converter) {
    const PartLabels labels = ReadPartLabels(part);
    if (labels.isFile || labels.ambiguous || labels.encoding == TransferEncoding::kOther)
        return false;
    if (part.body.empty() || part.firstChild != nullptr) return false;
    const std::string raw = JoinLines(part.body);
    const bool transferDecoded = labels.encoding != TransferEncoding::kIdentity;
    std::string decoded;
    if (transferDecoded && !TransferDecode(labels.encoding, raw, decoded)) return false;
    const std::string& text = transferDecoded ? decoded : raw;
    const JapaneseCharset charset = ChooseCharset(labels, messageCharset, text);
    std::string converted;
    if (charset == JapaneseCharset::kNone) return false;
    if (!converter.Append(charset, text, Unmappable::kReference, converted)) return false;
    const ShiftJisRepertoire repertoire = MeasureShiftJis(converted);
    const bool eightBit = repertoire != ShiftJisRepertoire::kAscii;
    // A label all readers already decode the text with exactly is kept.
    const bool labelTrue = !eightBit || LabelReadsExactly(labels.charset, repertoire);
    std::string label = eightBit ? labels.charset : std::string();
    if (!labelTrue) {
        const char* measured = ShiftJisLabel(repertoire);
        label = measured != nullptr ? measured : kWidestLabel;
    }
    if (eightBit && EqualsAsciiNoCase(part.subtype, "html"))
        RewriteHtmlCharsetDeclarations(converted, label);
    const bool bodyChanged = transferDecoded || converted != raw;
    if (!bodyChanged && labelTrue) return false;
    if (bodyChanged && !ReplaceBody(part.body, converted)) return false;
    RelabelPart(part, labelTrue ? std::string_view() : label,
                TransferEncodingLabel(transferDecoded, eightBit));
    return true;
}

bool ConvertHeaderBlock(MimePart& part, ShiftJisConverter& converter) {
    bool changed = false;
    std::string converted;
    for (LineEntry* e = part.headers.head; e != nullptr; e = e->next) {
        const std::string_view line(e->text, e->length);
        if (IsStructuralHeader(line) || !MayNeedConversion(line)) continue;
        if (!ConvertHeaderText(line, converter, Unmappable::kReference, converted)) continue;
        if (converted.size() > kMaxFoldedHeaderBytes) continue;
        e->SetText(converted.data(), converted.size());
        changed = true;
    }
    return changed;
}

}  // namespace tessera
