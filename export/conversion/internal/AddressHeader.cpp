#include "export/conversion/internal/AddressHeader.h"

#include <algorithm>
#include <vector>

#include "export/charset/CharsetSniffing.h"
#include "export/charset/Utf8ToShiftJis.h"
#include "export/conversion/HeaderTextConversion.h"
#include "export/conversion/ShiftJisConverter.h"
#include "export/conversion/internal/EncodedWords.h"
#include "export/text/AsciiText.h"
#include "export/text/ShiftJisText.h"

namespace tessera {

namespace {

constexpr std::string_view kAddressHeaders[] = {
    "from",
    "to",
    "cc",
    "bcc",
    "reply-to",
    "sender",
    "resent-from",
    "resent-to",
    "resent-cc",
    "resent-bcc",
    "resent-sender",
    "return-path",
    "delivered-to",
    "x-original-to",
    "x-failed-recipients",
    "errors-to",
    "mail-followup-to",
    "mail-reply-to",
    "disposition-notification-to",
};

constexpr std::string_view kSpecials = "()<>[]:;@\\,.\"";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// End of the quoted string (open == close) or comment that opens at
// text[i]; the end of the text when it is not closed.
size_t SkipDelimited(std::string_view text, size_t i, char open, char close) {
    int depth = 1;
    for (++i; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\') {
            ++i;
        } else if (c == close) {
            if (--depth == 0) return i + 1;
        } else if (c == open) {
            ++depth;
        }
    }
    return text.size();
}

// The Shift-JIS text's characters, with `test` asked of each single-byte one and
// `trail` of each second byte of a double-byte one; true when either says yes.
template <typename Single, typename Trail>
bool AnyByte(std::string_view sjis, Single single, Trail trail) {
    for (size_t i = 0; i < sjis.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(sjis[i]);
        if (IsShiftJisLeadByte(c) && i + 1 < sjis.size()) {
            if (trail(static_cast<unsigned char>(sjis[++i]))) return true;
            continue;
        }
        if (single(c)) return true;
    }
    return false;
}

bool NeedsQuoting(std::string_view sjis) {
    const auto special = [](unsigned char c) {
        return kSpecials.find(c) != std::string_view::npos;
    };
    return AnyByte(sjis, special, special);
}

bool HasTrailBackslash(std::string_view sjis) {
    return AnyByte(
        sjis, [](unsigned char) { return false; }, [](unsigned char c) { return c == 0x5C; });
}

std::string Unquote(std::string_view quoted) {
    std::string out;
    for (size_t i = 1; i + 1 < quoted.size(); ++i) {
        if (quoted[i] == '\\' && i + 2 < quoted.size()) ++i;
        out.push_back(quoted[i]);
    }
    return out;
}

// Longest raw UTF-8 name written as encoded words; longer text is no name.
constexpr size_t kMaxRawNameBytes = 512;
// A name of raw UTF-8 on one line, short, with nothing structural inside: the
// words written for it mean what it did.
bool IsRawName(std::string_view text) {
    return text.size() <= kMaxRawNameBytes && HasEightBitByte(text) && IsWellFormedUtf8(text) &&
           text.find("=?") == std::string_view::npos &&
           text.find_first_of("\r\n<>@") == std::string_view::npos;
}

class AddressWriter {
  public:
    // `lineBreak`: the header's own, which folds the words of an export to UTF-8.
    AddressWriter(ShiftJisConverter& converter, std::string& out, std::string_view lineBreak)
        : converter_(converter),
          out_(out),
          utf8_(converter.Target() == TargetCharset::kUtf8),
          raw_(utf8_ && converter.RawUtf8Headers()),
          fold_(utf8_ && !raw_ ? lineBreak : std::string_view()) {}

    void Run(std::string_view value) {
        size_t run = 0;  // start of the text not yet written
        for (size_t i = 0; i < value.size();) {
            const char c = value[i];
            if (c == '"') {
                i = SkipDelimited(value, i, '"', '"');
            } else if (c == '(') {
                Phrase(value.substr(run, i - run), false);
                const size_t end = SkipDelimited(value, i, '(', ')');
                Comment(value.substr(i, end - i));
                run = i = end;
            } else if (c == '<' || c == ':') {
                Phrase(value.substr(run, i - run), true);
                const size_t end = c == '<' ? value.find('>', i) : i;
                const size_t stop = end == std::string_view::npos ? value.size() : end + 1;
                out_.append(value.substr(i, stop - i));
                run = i = stop;
            } else if (c == ',' || c == ';') {
                Phrase(value.substr(run, i - run), false);
                out_.push_back(c);
                if (c == ',') commas_.push_back(out_.size());
                run = ++i;
            } else {
                ++i;
            }
        }
        Phrase(value.substr(run), false);
        if (!fold_.empty()) FoldAtCommas();
    }

  private:
    // Breaks a line that passes column 78 after the commas between addresses,
    // where a break changes nothing: words make names longer than they were.
    void FoldAtCommas() {
        constexpr size_t kMaxColumn = 78;
        std::string folded;
        size_t from = 0;
        for (size_t i = 0; i <= commas_.size(); ++i) {
            const size_t to = i < commas_.size() ? commas_[i] : out_.size();
            const std::string_view piece = std::string_view(out_).substr(from, to - from);
            const size_t firstLine = std::min(piece.find_first_of("\r\n"), piece.size());
            const size_t lf = folded.rfind('\n');
            const size_t column = lf == std::string::npos ? folded.size() : folded.size() - lf - 1;
            // Nothing after a last comma: a fold there would end the header block.
            const bool blank = piece.find_first_not_of(" \t\r\n") == std::string_view::npos;
            if (i > 0 && !blank && column + firstLine > kMaxColumn) {
                folded += fold_;
                if (!piece.empty() && piece.front() != ' ' && piece.front() != '\t')
                    folded.push_back(' ');
            }
            folded += piece;
            from = to;
        }
        out_.swap(folded);
    }

    // A display name (before '<' or a group's ':'), or a bare address, which
    // is written as it came.
    void Phrase(std::string_view raw, bool name) {
        // 8-bit text before a comment is part of a name: to UTF-8, it is one.
        if (utf8_ && !name && HasEightBitByte(raw) && raw.find('@') == std::string_view::npos)
            name = true;
        if (!name || raw.empty()) {
            out_.append(raw);
            return;
        }
        size_t first = 0;
        while (first < raw.size() && IsBlank(raw[first])) ++first;
        size_t last = raw.size();
        while (last > first && IsBlank(raw[last - 1])) --last;
        const std::string_view core = raw.substr(first, last - first);
        const bool quoted = core.size() >= 2 && core.front() == '"' &&
                            SkipDelimited(core, 0, '"', '"') == core.size();
        std::string decoded;
        const std::string inner = quoted ? Unquote(core) : std::string(core);
        if (!ConvertHeaderText(inner, converter_, Unmappable::kRefuse, decoded) ||
            decoded.find("=?") != std::string::npos) {
            // Nothing decoded, or words left that a quote would hide; raw UTF-8
            // that Shift-JIS cannot hold becomes encoded words.
            if (!raw_ && IsRawName(inner)) {
                out_.append(raw.substr(0, first));
                AppendEncodedWords(inner, out_, fold_);
                out_.append(raw.substr(last));
                return;
            }
            out_.append(raw);
            return;
        }
        out_.append(raw.substr(0, first));
        if (raw_ && HasEightBitByte(decoded)) {
            // UTF-8 bytes are never ASCII: specials and escapes are found byte by byte.
            if (quoted || decoded.find_first_of(kSpecials) != std::string::npos) {
                QuoteUtf8(decoded);
            } else {
                out_ += decoded;
            }
        } else if (utf8_ && HasEightBitByte(decoded)) {
            AppendEncodedWords(decoded, out_, fold_);  // words need no quotes
        } else if (!quoted && !NeedsQuoting(decoded)) {
            out_ += decoded;
        } else if (HasTrailBackslash(decoded)) {
            out_.append(core);  // a reader would take the byte for an escape
        } else {
            Quote(decoded);
        }
        out_.append(raw.substr(last));
    }

    void Quote(std::string_view sjis) {
        out_.push_back('"');
        for (size_t i = 0; i < sjis.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(sjis[i]);
            if (IsShiftJisLeadByte(c) && i + 1 < sjis.size()) {
                out_.append(sjis.substr(i++, 2));
                continue;
            }
            if (c == '"' || c == '\\') out_.push_back('\\');
            out_.push_back(static_cast<char>(c));
        }
        out_.push_back('"');
    }

    void QuoteUtf8(std::string_view utf8) {
        out_.push_back('"');
        for (char c : utf8) {
            if (c == '"' || c == '\\') out_.push_back('\\');
            out_.push_back(c);
        }
        out_.push_back('"');
    }

    void Comment(std::string_view raw) {
        if (raw.size() < 2 || raw.back() != ')') {
            out_.append(raw);
            return;
        }
        std::string decoded;
        const std::string_view inner = raw.substr(1, raw.size() - 2);
        bool changed = ConvertHeaderText(inner, converter_, Unmappable::kRefuse, decoded);
        if (utf8_ && !raw_) {
            // Raw UTF-8 is converted too: into words, like everything 8-bit.
            if (!changed && HasEightBitByte(inner) && IsWellFormedUtf8(inner)) {
                decoded.assign(inner.data(), inner.size());
                changed = true;
            }
            if (changed && HasEightBitByte(decoded) && decoded.find("=?") == std::string::npos) {
                out_.push_back('(');
                AppendEncodedWords(decoded, out_, fold_);
                out_.push_back(')');
                return;
            }
        }
        const auto structural = [](unsigned char c) { return c == '(' || c == ')' || c == '\\'; };
        const bool structuralInside = raw_ ? decoded.find_first_of("()\\") != std::string::npos
                                           : AnyByte(decoded, structural, structural);
        if (!changed || structuralInside || (utf8_ && !raw_ && HasEightBitByte(decoded))) {
            out_.append(raw);
            return;
        }
        out_.push_back('(');
        out_ += decoded;
        out_.push_back(')');
    }

    ShiftJisConverter& converter_;
    std::string& out_;
    bool utf8_;
    bool raw_;  // to UTF-8 with raw headers: names and comments in raw UTF-8
    std::string_view fold_;
    std::vector<size_t> commas_;  // where in out_ each comma between addresses ends
};

}  // namespace

bool IsAddressHeader(std::string_view line) {
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) return false;
    const std::string_view name = line.substr(0, colon);
    for (std::string_view candidate : kAddressHeaders) {
        if (EqualsIgnoreCase(name, candidate)) return true;
    }
    return false;
}

bool ConvertAddressHeader(std::string_view line, ShiftJisConverter& converter, std::string& out) {
    out.clear();
    const size_t colon = line.find(':');
    out.append(line.substr(0, colon + 1));
    AddressWriter(converter, out, LineBreakOf(line)).Run(line.substr(colon + 1));
    return out != line;
}

}  // namespace tessera
