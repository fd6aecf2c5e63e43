#include "export/TextPartConversion.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "export/AsciiText.h"
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

// Lines stored between two ticks of the converter: about a millisecond.
constexpr size_t kLinesPerTick = 1 << 14;

// Host-converted text may hold codes no reader decodes (JIS rows beyond
// JIS X 0208, such as carrier emoji): the label of the widest repertoire.
constexpr const char* kWidestLabel = "MS932";

std::string JoinLines(const LineList& lines) {
    std::string text;
    text.reserve(lines.TotalLength());
    for (ConstLineCursor e(lines); e; e.Next()) text.append(e->text, e->length);
    return text;
}

bool TransferDecode(TransferEncoding encoding, std::string_view raw, std::string& out) {
    if (encoding == TransferEncoding::kBase64) return AppendBase64Bytes(raw, out);
    if (encoding == TransferEncoding::kQuotedPrintable) return AppendQuotedPrintableBytes(raw, out);
    return false;
}

// The charset the labels name: the part's own, else the message's; kNone when
// neither is a Japanese one, or when the part names another charset.
JapaneseCharset DeclaredCharset(const PartLabels& labels, std::string_view messageCharset) {
    const JapaneseCharset own = IdentifyJapaneseCharset(labels.charset);
    if (own != JapaneseCharset::kNone) return own;
    if (!labels.charset.empty() && !IsUsAsciiLabel(labels.charset)) return JapaneseCharset::kNone;
    return IdentifyJapaneseCharset(messageCharset);
}

JapaneseCharset ChooseCharset(const PartLabels& labels, std::string_view messageCharset,
                              std::string_view text) {
    const JapaneseCharset declared = DeclaredCharset(labels, messageCharset);
    if (declared != JapaneseCharset::kNone) return ResolveJapaneseCharset(declared, text);
    if (!labels.charset.empty() && !IsUsAsciiLabel(labels.charset)) return JapaneseCharset::kNone;
    if (HasIso2022JpEscape(text)) return ResolveJapaneseCharset(JapaneseCharset::kIso2022Jp, text);
    if (labels.charset.empty() && HasEightBitByte(text) && IsWellFormedUtf8(text)) {
        return JapaneseCharset::kUtf8;
    }
    return JapaneseCharset::kNone;
}

// The label a converted text gets: the part's own when every reader already
// decodes the text with it exactly, else the measured one.
struct Label {
    bool eightBit = false;
    bool keep = true;  // the part's own label stays
    std::string name;
};

Label LabelFor(ShiftJisRepertoire repertoire, const PartLabels& labels) {
    Label label;
    label.eightBit = repertoire != ShiftJisRepertoire::kAscii;
    if (!label.eightBit) return label;
    label.keep = LabelReadsExactly(labels.charset, repertoire);
    const char* measured = ShiftJisLabel(repertoire);
    label.name = label.keep ? labels.charset : measured != nullptr ? measured : kWidestLabel;
    return label;
}

// True when the body is ISO-2022-JP or EUC-JP text as labelled (what
// ResolveJapaneseCharset says of the whole), looked at line by line.
bool LinesAreAsLabelled(const LineList& body, JapaneseCharset charset) {
    for (ConstLineCursor e(body); e; e.Next()) {
        const std::string_view line(e->text, e->length);
        if (!HasEightBitByte(line)) continue;
        if (charset == JapaneseCharset::kIso2022Jp || !IsEucJpText(line)) return false;
    }
    return true;
}

// A 7bit or 8bit ISO-2022-JP or EUC-JP plain-text body converted by the host
// line by line and replaced in place, as the plug-in has always done it.
bool ConvertLinesInPlace(MimePart& part, JapaneseCharset charset, const PartLabels& labels,
                         ShiftJisConverter& converter) {
    std::string converted;
    // Four bytes a line: a body of one-byte lines stays within a few times its size.
    std::vector<uint32_t> ends;
    ends.reserve(part.body.Count());
    bool changed = false;
    for (ConstLineCursor e(part.body); e; e.Next()) {
        const size_t start = converted.size();
        if (!converter.AppendHostLine(charset, e->text, converted)) return false;
        if (converted.size() > UINT32_MAX) return false;
        changed = changed || converted.size() - start != e->length ||
                  std::memcmp(converted.data() + start, e->text, e->length) != 0;
        ends.push_back(static_cast<uint32_t>(converted.size()));
    }
    // Measuring and storing back a large body take long: ticked like the host calls.
    converter.Tick();
    const Label label = LabelFor(MeasureShiftJis(converted), labels);
    if (!changed && label.keep) return false;
    size_t start = 0;
    size_t stored = 0;
    auto end = ends.begin();
    for (LineCursor e(part.body); e; e.Next(), ++end) {
        e->SetText(converted.data() + start, *end - start);
        start = *end;
        if (++stored % kLinesPerTick == 0) converter.Tick();
    }
    RelabelPart(part, label.keep ? std::string() : label.name, label.eightBit ? "8bit" : "");
    return true;
}

// Makes `text` the body, one line per CR, LF or CR LF; false, with the body as
// it was, when a line is longer than the walker stores one.
bool ReplaceBody(LineList& body, std::string_view text, ShiftJisConverter& converter) {
    // Looked at first and stored after, so that nothing is held per line.
    const char* end = text.data() + text.size();
    LineSpan line;
    for (const char* cursor = text.data(); NextLine(cursor, end, kMaxLineBytes + 1, line);) {
        if (line.length > kMaxLineBytes) return false;
    }
    converter.Tick();
    body.Clear();
    size_t stored = 0;
    for (const char* cursor = text.data(); NextLine(cursor, end, kMaxLineBytes + 1, line);) {
        body.AppendLine(line.data, line.length);
        if (++stored % kLinesPerTick == 0) converter.Tick();
    }
    return true;
}

const char* TransferEncodingLabel(bool transferDecoded, bool eightBit) {
    if (eightBit) return "8bit";
    return transferDecoded ? "7bit" : "";
}

bool IsStructuralHeader(std::string_view line) {
    if (StartsWithIgnoreCase(line, "content-"))
        return !StartsWithIgnoreCase(line, "content-description:");
    return StartsWithIgnoreCase(line, "mime-version:");
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
    const bool transferDecoded = labels.encoding != TransferEncoding::kIdentity;
    const bool html = EqualsIgnoreCase(part.subtype, "html");
    const JapaneseCharset declared = DeclaredCharset(labels, messageCharset);
    if (!transferDecoded && !html &&
        (declared == JapaneseCharset::kIso2022Jp || declared == JapaneseCharset::kEucJp) &&
        LinesAreAsLabelled(part.body, declared)) {
        return ConvertLinesInPlace(part, declared, labels, converter);
    }
    // Each step on a large body takes tens of milliseconds: ticked between them.
    std::string raw = JoinLines(part.body);
    converter.Tick();
    std::string decoded;
    if (transferDecoded) {
        if (!TransferDecode(labels.encoding, raw, decoded)) return false;
        std::string().swap(raw);  // the encoded copy goes before the converted one comes
        converter.Tick();
    }
    const std::string& text = transferDecoded ? decoded : raw;
    const JapaneseCharset charset = ChooseCharset(labels, messageCharset, text);
    std::string converted;
    if (charset == JapaneseCharset::kNone) return false;
    ShiftJisRepertoire repertoire = ShiftJisRepertoire::kAscii;
    if (!converter.Append(charset, text, Unmappable::kReference, converted, &repertoire))
        return false;
    converter.Tick();
    const Label label = LabelFor(repertoire, labels);
    if (label.eightBit && html) RewriteHtmlCharsetDeclarations(converted, label.name);
    const bool bodyChanged = transferDecoded || converted != raw;
    if (!bodyChanged && label.keep) return false;
    if (bodyChanged && !ReplaceBody(part.body, converted, converter)) return false;
    RelabelPart(part, label.keep ? std::string() : label.name,
                TransferEncodingLabel(transferDecoded, label.eightBit));
    return true;
}

bool ConvertHeaderBlock(MimePart& part, ShiftJisConverter& converter) {
    bool changed = false;
    std::string converted;
    for (LineCursor e(part.headers); e; e.Next()) {
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
