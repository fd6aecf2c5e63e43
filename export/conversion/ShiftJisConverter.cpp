#include "export/conversion/ShiftJisConverter.h"

#include <cstring>

#include "export/charset/JisDecoder.h"
#include "export/charset/ShiftJisToUtf8.h"
#include "export/text/ByteScan.h"
#include "export/text/ShiftJisText.h"

namespace tessera {

namespace {

// UTF-8 text converted between two ticks: a few milliseconds of work.
constexpr size_t kUtf8PieceBytes = 1 << 20;

// What MeasureShiftJis says of pieces written one after another, from what it
// says of each: beside 8-bit text, a 7-bit piece that holds a backslash or a
// tilde makes the whole CP932.
class PiecesMeasure {
  public:
    void Add(ShiftJisRepertoire piece, std::string_view written) {
        invalid_ |= piece == ShiftJisRepertoire::kInvalid;
        eightBit_ |= piece != ShiftJisRepertoire::kAscii;
        extended_ |= piece == ShiftJisRepertoire::kCp932;
        if (piece != ShiftJisRepertoire::kAscii || written.empty()) return;
        const char* end = written.data() + written.size();
        extended_ |= FindByte(written.data(), end, '\\') != nullptr ||
                     FindByte(written.data(), end, '~') != nullptr;
    }
    ShiftJisRepertoire Measured() const {
        return invalid_ ? ShiftJisRepertoire::kInvalid : RepertoireOf(eightBit_, extended_);
    }

  private:
    bool invalid_ = false;
    bool eightBit_ = false;
    bool extended_ = false;
};

// Length of the line at the start of `text`, its LF included. The host's
// converters end a line at CR too, so a line given to them may hold a CR.
size_t LineLength(std::string_view text) {
    const char* lf = FindByte(text.data(), text.data() + text.size(), '\n');
    if (lf == nullptr) return text.size();
    return static_cast<size_t>(lf - text.data()) + 1;
}

// True when Shift-JIS text holds the geta mark 〓 (81 AC) as a character.
bool HasGetaMark(std::string_view text) {
    const char* const end = text.data() + text.size();
    bool any = false;  // nearly always not: looked for with the engine's own scan
    for (const char* p = FindByte(text.data(), end, '\x81'); p != nullptr && !any;
         p = FindByte(p + 1, end, '\x81'))
        any = p + 1 != end && p[1] == '\xAC';
    if (!any) return false;
    for (size_t i = 0; i + 1 < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (!IsShiftJisLeadByte(c)) {
            ++i;
            continue;
        }
        if (c == 0x81 && static_cast<unsigned char>(text[i + 1]) == 0xAC) return true;
        i += 2;
    }
    return false;
}

}  // namespace

ShiftJisConverter::ShiftJisConverter(const HostApi& host, ExportProgress& progress,
                                     TargetCharset target)
    : host_(host), progress_(progress), target_(target) {}

bool ShiftJisConverter::Append(JapaneseCharset charset, std::string_view text,
                               Unmappable unmappable, std::string& out,
                               ShiftJisRepertoire* repertoire) {
    if (text.find('\0') != std::string_view::npos) return false;
    if (target_ == TargetCharset::kUtf8) return AppendAsUtf8(charset, text, out);
    const size_t start = out.size();
    switch (charset) {
        case JapaneseCharset::kIso2022Jp:
        case JapaneseCharset::kEucJp:
            if (!AppendJis(charset, text, unmappable, out)) return false;
            break;
        case JapaneseCharset::kShiftJis:
            out.append(text.data(), text.size());
            break;
        case JapaneseCharset::kUtf8:
            return AppendUtf8(text, unmappable, out, repertoire);
        case JapaneseCharset::kNone:
            return false;
    }
    if (repertoire != nullptr) *repertoire = MeasureShiftJis(std::string_view(out).substr(start));
    return true;
}

bool ShiftJisConverter::AppendUtf8(std::string_view text, Unmappable unmappable, std::string& out,
                                   ShiftJisRepertoire* repertoire) {
    // In pieces of whole lines, with a tick between them: no character spans
    // a line break, so each piece converts as it would within the whole. The
    // UTF-8 writer measures what it writes: no second pass.
    const size_t start = out.size();
    // Shift-JIS is never longer than the UTF-8 it comes from, but for character
    // references: room for all of it at once, so that growing piece by piece
    // does not hold the text twice over (reserved room costs no memory until used).
    out.reserve(start + text.size() + 16);
    size_t unmapped = 0;
    PiecesMeasure whole;
    while (!text.empty()) {
        size_t length = text.size();
        if (length > kUtf8PieceBytes) {
            const size_t lf = text.find('\n', kUtf8PieceBytes);
            if (lf != std::string_view::npos) length = lf + 1;
        }
        const size_t pieceStart = out.size();
        size_t pieceUnmapped = 0;
        ShiftJisRepertoire piece = ShiftJisRepertoire::kAscii;
        if (!AppendUtf8AsShiftJis(text.substr(0, length), unmappable, out, &pieceUnmapped,
                                  &piece)) {
            out.resize(start);
            return false;
        }
        unmapped += pieceUnmapped;
        text.remove_prefix(length);
        // A text in one piece, nearly every one, is measured as it was written.
        const bool alone = pieceStart == start && text.empty();
        whole.Add(piece, alone ? std::string_view() : std::string_view(out).substr(pieceStart));
        if (!text.empty()) Tick();
    }
    if (unmappable == Unmappable::kRefuse && unmapped > 0) {
        out.resize(start);
        return false;
    }
    if (unmappable == Unmappable::kReference) references_ += unmapped;
    if (repertoire != nullptr) *repertoire = whole.Measured();
    return true;
}

bool ShiftJisConverter::AppendAsUtf8(JapaneseCharset charset, std::string_view text,
                                     std::string& out) {
    // In pieces of whole lines, with a tick between them, as AppendUtf8: no
    // character, and no ISO-2022-JP shift, spans a line break.
    const size_t start = out.size();
    size_t undefined = 0;
    while (!text.empty()) {
        size_t length = text.size();
        if (length > kUtf8PieceBytes) {
            const size_t lf = text.find('\n', kUtf8PieceBytes);
            if (lf != std::string_view::npos) length = lf + 1;
        }
        const std::string_view piece = text.substr(0, length);
        bool ok = false;
        switch (charset) {
            case JapaneseCharset::kIso2022Jp:
            case JapaneseCharset::kEucJp:
                ok = AppendJisAsUtf8(charset, piece, out, &undefined);
                break;
            case JapaneseCharset::kShiftJis:
                ok = AppendShiftJisAsUtf8(piece, out, &undefined);
                break;
            case JapaneseCharset::kUtf8:
                ok = IsWellFormedUtf8(piece);
                if (ok) out.append(piece.data(), piece.size());
                break;
            case JapaneseCharset::kNone:
                break;
        }
        if (!ok) {
            out.resize(start);
            return false;
        }
        text.remove_prefix(length);
        if (!text.empty()) Tick();
    }
    references_ += undefined;
    return true;
}

bool ShiftJisConverter::AppendJis(JapaneseCharset charset, std::string_view text,
                                  Unmappable unmappable, std::string& out) {
    const size_t start = out.size();
    while (!text.empty()) {
        const size_t length = LineLength(text);
        line_.assign(text.data(), length);
        if (!AppendJisLine(charset, line_.c_str(), unmappable, out)) {
            out.resize(start);
            return false;
        }
        text.remove_prefix(length);
    }
    return true;
}

bool ShiftJisConverter::AppendJisLine(JapaneseCharset charset, const char* line,
                                      Unmappable unmappable, std::string& out) {
    const std::string_view text(line, TextLength(line));  // the engine's scan, not the C runtime's
    if (target_ == TargetCharset::kUtf8) return AppendAsUtf8(charset, text, out);
    if (NeedsOwnJisDecoding(charset, text)) {
        size_t unmapped = 0;
        if (!AppendJisAsShiftJis(charset, text, unmappable, out, &unmapped)) return false;
        if (unmappable == Unmappable::kReference) references_ += unmapped;
        return true;
    }
    const FnConvert convert = charset == JapaneseCharset::kIso2022Jp ? host_.ISO_2022_JP
                              : charset == JapaneseCharset::kEucJp   ? host_.EUC_JP
                                                                     : nullptr;
    char* converted = convert != nullptr ? convert(line, 0) : nullptr;
    // A few milliseconds of host calls between two ticks.
    if (++callsSinceTick_ == 64) {
        callsSinceTick_ = 0;
        progress_.Tick();
    }
    if (converted == nullptr) return false;
    const size_t length = TextLength(converted);
    // An escape sequence the host's converter did not know (cut off, or of
    // another set) is left in its result: damaged text, refused whole.
    const bool damaged = charset == JapaneseCharset::kIso2022Jp &&
                         FindByte(converted, converted + length, 0x1B) != nullptr;
    // A geta mark may stand for a character the host could not map: the
    // engine decodes such a line again and writes that character instead
    // (the text's own geta marks come out as they were).
    size_t unmapped = 0;
    if (damaged || !HasGetaMark(std::string_view(converted, length)) ||
        !AppendJisAsShiftJis(charset, text, unmappable, out, &unmapped)) {
        if (!damaged) out.append(converted, length);
    } else if (unmappable == Unmappable::kReference) {
        references_ += unmapped;
    }
    host_.Free(converted);
    return !damaged;
}

}  // namespace tessera
