#include "export/conversion/internal/AddressHeader.h"

#include <algorithm>

#include "export/charset/CharsetSniffing.h"
#include "export/charset/Utf8ToShiftJis.h"
#include "export/conversion/HeaderTextConversion.h"
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
// UTF-8 bytes per encoded word: 60 base64 characters, within the 75 of a word.
constexpr size_t kWordBytes = 45;

void AppendBase64(std::string_view bytes, std::string& out) {
    static const char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t n = std::min<size_t>(3, bytes.size() - i);
        unsigned value = 0;
        for (size_t k = 0; k < 3; ++k) {
            value = value << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        }
        for (size_t k = 0; k < 4; ++k) {
            out.push_back(k <= n ? kDigits[(value >> (18 - 6 * k)) & 0x3F] : '=');
        }
    }
}

// `utf8` as UTF-8 B words, cut between characters and separated by a space.
void AppendEncodedWords(std::string_view utf8, std::string& out) {
    while (!utf8.empty()) {
        size_t n = std::min(kWordBytes, utf8.size());
        while (n < utf8.size() && n > 0 && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80)
            --n;
        out += "=?UTF-8?B?";
        AppendBase64(utf8.substr(0, n), out);
        out += "?=";
        utf8.remove_prefix(n);
        if (!utf8.empty()) out.push_back(' ');
    }
}

// A name of raw UTF-8 on one line, short, with nothing structural inside: the
// words written for it mean what it did.
bool IsRawName(std::string_view text) {
    return text.size() <= kMaxRawNameBytes && HasEightBitByte(text) && IsWellFormedUtf8(text) &&
           text.find("=?") == std::string_view::npos &&
           text.find_first_of("\r\n<>@") == std::string_view::npos;
}

class AddressWriter {
  public:
    AddressWriter(ShiftJisConverter& converter, std::string& out)
        : converter_(converter), out_(out) {}

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
                run = ++i;
            } else {
                ++i;
            }
        }
        Phrase(value.substr(run), false);
    }

  private:
    // A display name (before '<' or a group's ':'), or a bare address, which
    // is written as it came.
    void Phrase(std::string_view raw, bool name) {
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
            if (IsRawName(inner)) {
                out_.append(raw.substr(0, first));
                AppendEncodedWords(inner, out_);
                out_.append(raw.substr(last));
                return;
            }
            out_.append(raw);
            return;
        }
        out_.append(raw.substr(0, first));
        if (!quoted && !NeedsQuoting(decoded)) {
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

    void Comment(std::string_view raw) {
        if (raw.size() < 2 || raw.back() != ')') {
            out_.append(raw);
            return;
        }
        std::string decoded;
        const bool changed = ConvertHeaderText(raw.substr(1, raw.size() - 2), converter_,
                                               Unmappable::kRefuse, decoded);
        const auto structural = [](unsigned char c) { return c == '(' || c == ')' || c == '\\'; };
        if (!changed || AnyByte(decoded, structural, structural)) {
            out_.append(raw);
            return;
        }
        out_.push_back('(');
        out_ += decoded;
        out_.push_back(')');
    }

    ShiftJisConverter& converter_;
    std::string& out_;
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
    AddressWriter(converter, out).Run(line.substr(colon + 1));
    return out != line;
}

}  // namespace tessera
