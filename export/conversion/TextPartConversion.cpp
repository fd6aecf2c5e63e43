#include "export/conversion/TextPartConversion.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "export/charset/CharsetLabel.h"
#include "export/charset/CharsetSniffing.h"
#include "export/charset/TransferDecoding.h"
#include "export/conversion/HeaderTextConversion.h"
#include "export/conversion/ShiftJisConverter.h"
#include "export/conversion/internal/AddressHeader.h"
#include "export/conversion/internal/EncodedWords.h"
#include "export/conversion/internal/HtmlCharsetDeclaration.h"
#include "export/mime/LineReader.h"
#include "export/mime/MimePart.h"
#include "export/mime/PartLabels.h"
#include "export/text/AsciiText.h"
#include "export/text/ByteScan.h"

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
    for (ConstLineCursor e(lines); e; e.Next()) {
        text.append(e.Stored());
        if (e.EndsInCrLf()) text.append("\r\n", 2);
    }
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
    return labels.charset.empty() ? GuessJapaneseCharset(text) : JapaneseCharset::kNone;
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

// The label of text converted to UTF-8: "UTF-8" once it holds an 8-bit byte.
Label Utf8LabelFor(std::string_view converted, const PartLabels& labels) {
    Label label;
    label.eightBit = HasEightBitByte(converted);
    if (!label.eightBit) return label;
    label.keep = labels.charset == "UTF-8";
    label.name = "UTF-8";
    return label;
}

// True when a line of an ISO-2022-JP or EUC-JP body is as labelled (what
// ResolveJapaneseCharset says of the whole).
bool LineIsAsLabelled(std::string_view line, JapaneseCharset charset) {
    if (!HasEightBitByte(line)) return true;
    return charset == JapaneseCharset::kEucJp && IsEucJpText(line);
}

enum class InPlace { kConverted, kUnchanged, kNotAsLabelled };

// A 7bit or 8bit ISO-2022-JP or EUC-JP plain-text body converted by the host
// line by line, as the plug-in has always done it. The lines go into a list
// of their own, packed as the body is, which replaces the body only when all
// of them converted: a body of millions of short lines costs a few bytes a
// line, whatever its length.
InPlace ConvertLinesInPlace(MimePart& part, JapaneseCharset charset, const PartLabels& labels,
                            ShiftJisConverter& converter) {
    LineList converted;
    std::string line;
    // Lines end in LF, so no character spans two: the whole measures as its worst line.
    ShiftJisRepertoire repertoire = ShiftJisRepertoire::kAscii;
    bool changed = false;
    for (ConstLineCursor e(part.body); e; e.Next()) {
        // Looked at in the same walk: a body that is not as labelled is
        // converted as a whole instead.
        if (!LineIsAsLabelled(e.Stored(), charset)) return InPlace::kNotAsLabelled;
        line.clear();
        if (!converter.AppendJisLine(charset, e->text, Unmappable::kReference, line)) {
            // Left as it is, unless a later line sends it the other way.
            for (e.Next(); e; e.Next()) {
                if (!LineIsAsLabelled(e.Stored(), charset)) return InPlace::kNotAsLabelled;
            }
            converter.CountPartLeftUnconverted();
            return InPlace::kUnchanged;
        }
        changed = changed || line.size() != e->length ||
                  std::memcmp(line.data(), e->text, e->length) != 0;
        repertoire = std::max(repertoire, MeasureShiftJis(line));
        converted.Append(line.data(), line.size());
    }
    const Label label = LabelFor(repertoire, labels);
    if (!changed && label.keep) return InPlace::kUnchanged;
    if (changed) part.body.Swap(converted);
    RelabelPart(part, label.keep ? std::string() : label.name, label.eightBit ? "8bit" : "");
    return InPlace::kConverted;
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

// Data read by programs that expect the charset it declares inside (a vCard's
// CHARSET=, an iCalendar object's own rules): never converted.
bool IsSelfLabelledData(std::string_view subtype) {
    for (const char* data : {"calendar", "vcard", "x-vcard", "directory", "x-vcalendar"}) {
        if (EqualsIgnoreCase(subtype, data)) return true;
    }
    return false;
}

// Identifiers and trace fields, which hold no words: an export to UTF-8 leaves them as they came.
bool IsIdentifierHeader(std::string_view line) {
    for (const char* name : {"message-id:", "in-reply-to:", "references:", "resent-message-id:",
                             "received:", "dkim-signature:", "arc-"}) {
        if (StartsWithIgnoreCase(line, name)) return true;
    }
    return false;
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

bool EscapeOrEightBit(const char* from, const char* end) {
    return HoldsByteOrEightBit(from, end, '\x1b');
}

bool LabelsKeepText(const PartLabels& labels, std::string_view subtype) {
    if (labels.isFile || labels.ambiguous || labels.encoding == TransferEncoding::kOther)
        return true;
    if (IsSelfLabelledData(subtype)) return true;
    return !labels.charset.empty() && !IsUsAsciiLabel(labels.charset) &&
           IdentifyJapaneseCharset(labels.charset) == JapaneseCharset::kNone;
}

}  // namespace

bool ConvertTextPart(MimePart& part, std::string_view messageCharset,
                     ShiftJisConverter& converter) {
    if (part.body.empty() || part.firstChild != nullptr) return false;
    const PartLabels labels = ReadPartLabels(part);
    if (LabelsKeepText(labels, part.subtype)) return false;
    const bool transferDecoded = labels.encoding != TransferEncoding::kIdentity;
    const bool html = EqualsIgnoreCase(part.subtype, "html");
    const JapaneseCharset declared = DeclaredCharset(labels, messageCharset);
    const bool utf8 = converter.Target() == TargetCharset::kUtf8;
    if (!utf8 && !transferDecoded && !html &&
        (declared == JapaneseCharset::kIso2022Jp || declared == JapaneseCharset::kEucJp)) {
        const InPlace done = ConvertLinesInPlace(part, declared, labels, converter);
        if (done != InPlace::kNotAsLabelled) return done == InPlace::kConverted;
    }
    // Plain ASCII that no label calls Japanese stays as it came: known without
    // joining its lines.
    if (declared == JapaneseCharset::kNone && !transferDecoded &&
        !part.body.AnyStretch(EscapeOrEightBit))
        return false;
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
    // A byte-order mark is no character of the text.
    std::string_view characters = text;
    if (charset == JapaneseCharset::kUtf8 && characters.compare(0, 3, "\xEF\xBB\xBF") == 0)
        characters.remove_prefix(3);
    ShiftJisRepertoire repertoire = ShiftJisRepertoire::kAscii;
    if (!converter.Append(charset, characters, Unmappable::kReference, converted, &repertoire)) {
        converter.CountPartLeftUnconverted();
        return false;
    }
    converter.Tick();
    const Label label = utf8 ? Utf8LabelFor(converted, labels) : LabelFor(repertoire, labels);
    if (label.eightBit && html) RewriteHtmlCharsetDeclarations(converted, label.name);
    const bool bodyChanged = transferDecoded || converted != raw;
    if (!bodyChanged && label.keep) return false;
    // Only the converted text is needed from here: the body's lines come from it.
    std::string().swap(raw);
    std::string().swap(decoded);
    if (bodyChanged && !ReplaceBody(part.body, converted, converter)) return false;
    RelabelPart(part, label.keep ? std::string() : label.name,
                TransferEncodingLabel(transferDecoded, label.eightBit));
    return true;
}

bool TextLikelyStaysAsReceived(const MimePart& part) {
    const PartLabels labels = ReadPartLabels(part);
    if (LabelsKeepText(labels, part.subtype)) return true;
    return labels.encoding == TransferEncoding::kIdentity &&
           (labels.charset.empty() || IsUsAsciiLabel(labels.charset));
}

bool ConversionMayRebuild(const MimePart& part) {
    return !LabelsKeepText(ReadPartLabels(part), part.subtype) &&
           part.body.AnyStretch(EscapeOrEightBit);
}

bool ConvertHeaderBlock(MimePart& part, ShiftJisConverter& converter) {
    const bool utf8 = converter.Target() == TargetCharset::kUtf8;
    bool changed = false;
    std::string converted;
    std::string words;
    for (LineCursor e(part.headers); e; e.Next()) {
        const std::string_view stored = e.Stored();  // no copy for the many lines left alone
        if (IsStructuralHeader(stored) || !MayNeedConversion(stored)) continue;
        if (utf8 && IsIdentifierHeader(stored)) continue;
        const std::string_view line(e->text, e->length);
        const bool address = IsAddressHeader(line);
        bool done = address ? ConvertAddressHeader(line, converter, converted)
                            : ConvertHeaderText(line, converter, Unmappable::kReference, converted);
        if (utf8 && !address && !converter.RawUtf8Headers()) {
            // Converted text, or raw UTF-8 as it came, goes out as words.
            if (!done) converted.assign(line.data(), line.size());
            if (HasEightBitByte(converted) && IsWellFormedUtf8(converted)) {
                WriteHeaderLineAsWords(converted, words);
                converted.swap(words);
                done = converted != line;
            }
        }
        if (!done) continue;
        if (converted.size() > kMaxFoldedHeaderBytes) continue;
        e->SetText(converted.data(), converted.size());
        changed = true;
    }
    return changed;
}

}  // namespace tessera
