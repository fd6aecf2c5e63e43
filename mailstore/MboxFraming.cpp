#include "mailstore/MboxFraming.h"

#include <cstring>

#include "export/text/ByteScan.h"

namespace tessera {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// "Www Mmm dd HH:MM:SS yyyy": 24 bytes, letters and digits where they belong.
bool IsEnvelopeDate(const char* p) {
    static const char kShape[] = "aaa aaa 00 00:00:00 0000";
    for (size_t i = 0; i + 1 < sizeof kShape; ++i) {
        char want = kShape[i];
        bool ok = want == 'a' ? IsLetter(p[i]) : want == '0' ? IsDigit(p[i]) : p[i] == want;
        if (!ok) return false;
    }
    return true;
}

bool StartsWithFrom(const char* p, size_t n, bool anyCase) {
    if (n < 5) return false;
    if (!anyCase) return std::memcmp(p, "From ", 5) == 0;
    for (size_t i = 0; i < 4; ++i) {
        if ((p[i] | 0x20) != "from"[i]) return false;
    }
    return p[4] == ' ';
}

// Offset of the first line that starts with '>', or length ('>' at a line start is rare).
size_t FirstQuotedLine(const char* text, size_t length) {
    for (size_t at = 0; at < length;) {
        const char* quote = FindByte(text + at, text + length, '>');
        if (!quote) break;
        size_t pos = static_cast<size_t>(quote - text);
        if (pos == 0 || text[pos - 1] == '\n') return pos;
        at = pos + 1;
    }
    return length;
}

}  // namespace

bool IsEnvelopeLine(const char* line, size_t length) {
    return length >= 5 && std::memcmp(line, "From ", 5) == 0;
}

bool IsBlankLine(const char* line, size_t length) {
    return (length == 1 && line[0] == '\n') || (length == 2 && line[0] == '\r' && line[1] == '\n');
}

bool IsTesseraEnvelopeLine(const char* line, size_t length) {
    // "From " + word + ' ' + 24-byte date + CR LF.
    constexpr size_t kDate = 24;
    if (length < 5 + 1 + 1 + kDate + 2 || !IsEnvelopeLine(line, length)) return false;
    if (line[length - 2] != '\r' || line[length - 1] != '\n') return false;
    const char* date = line + length - 2 - kDate;
    if (date[-1] != ' ' || !IsEnvelopeDate(date)) return false;
    for (const char* p = line + 5; p < date - 1; ++p) {
        if (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') return false;
    }
    return true;
}

size_t UnquoteFromLines(char* text, size_t length, bool anyCase) {
    return CopyUnquoted(text, length, text, anyCase);
}

size_t CopyUnquoted(const char* text, size_t length, char* to, bool anyCase) {
    // From one quoted line to the next: the lines between are moved whole.
    size_t in = 0, out = 0;
    while (in < length) {
        const size_t quoted = in + FirstQuotedLine(text + in, length - in);
        size_t from = quoted, end = length;
        if (quoted < length) {
            const char* eol = FindByte(text + quoted, text + length, '\n');
            end = eol ? static_cast<size_t>(eol - text) + 1 : length;
            size_t quotes = quoted;
            while (quotes < end && text[quotes] == '>') ++quotes;
            if (StartsWithFrom(text + quotes, end - quotes, anyCase)) ++from;  // one '>' off
        }
        if (to + out != text + in) std::memmove(to + out, text + in, quoted - in);
        out += quoted - in;
        if (to + out != text + from) std::memmove(to + out, text + from, end - from);
        out += end - from;
        in = end;
    }
    return out;
}

std::string UnquoteFromLines(std::string text, bool anyCase) {
    if (text.empty()) return text;
    text.resize(UnquoteFromLines(&text[0], text.size(), anyCase));
    return text;
}

}  // namespace tessera
