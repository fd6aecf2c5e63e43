#include "export/mime/HeaderParameters.h"

#include <algorithm>

#include "export/text/AsciiText.h"

namespace tessera {

namespace {

// RFC 2231 segments beyond this number are ignored: no real name needs them.
constexpr int kMaxSegment = 999;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Skips a comment starting at text[i] == '(' (nested, with escapes); an
// unclosed one runs to the end.
size_t SkipComment(std::string_view text, size_t i) {
    int depth = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\') {
            ++i;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')' && --depth == 0) {
            return i + 1;
        }
    }
    return text.size();
}

size_t SkipBlanksAndComments(std::string_view text, size_t i) {
    while (i < text.size()) {
        if (IsBlank(text[i])) {
            ++i;
        } else if (text[i] == '(') {
            i = SkipComment(text, i);
        } else {
            break;
        }
    }
    return i;
}

// Reads the quoted string at text[i] == '"' into `out`; returns the index after
// it. An unclosed one runs to the end, its final line break left out.
size_t ReadQuoted(std::string_view text, size_t i, std::string& out) {
    for (++i; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') return i + 1;
        if (c == '\\' && i + 1 < text.size()) ++i;
        out.push_back(text[i]);
    }
    while (!out.empty() && (out.back() == '\r' || out.back() == '\n')) out.pop_back();
    return text.size();
}

// Index of the next ';' outside quoted strings and comments, or the end.
size_t NextSemicolon(std::string_view text, size_t i) {
    while (i < text.size() && text[i] != ';') {
        if (text[i] == '"') {
            std::string ignored;
            i = ReadQuoted(text, i, ignored);
        } else if (text[i] == '(') {
            i = SkipComment(text, i);
        } else {
            ++i;
        }
    }
    return i;
}

bool EndsToken(char c) { return c == ';' || c == '(' || c == '"' || c == '=' || IsBlank(c); }

// Reads one "name = value" at i (after a ';'); false when it is not one.
bool ReadParameter(std::string_view text, size_t& i, RawParameter& out) {
    i = SkipBlanksAndComments(text, i);
    const size_t nameBegin = i;
    while (i < text.size() && !EndsToken(text[i])) ++i;
    if (i == nameBegin) return false;
    out.name = text.substr(nameBegin, i - nameBegin);
    i = SkipBlanksAndComments(text, i);
    if (i == text.size() || text[i] != '=') return false;
    i = SkipBlanksAndComments(text, i + 1);
    out.valueBegin = i;
    out.value.clear();
    if (i < text.size() && text[i] == '"') {
        i = ReadQuoted(text, i, out.value);
    } else {
        while (i < text.size() && text[i] != ';' && text[i] != '(' && !IsBlank(text[i])) ++i;
        out.value.assign(text.data() + out.valueBegin, i - out.valueBegin);
    }
    out.valueEnd = i;
    return true;
}

std::string ReadToken(std::string_view text) {
    std::string token;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == '(') {
            i = SkipComment(text, i);
        } else {
            if (!IsBlank(text[i])) token.push_back(text[i]);
            ++i;
        }
    }
    return token;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = LowerAscii(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

void AppendPercentDecoded(std::string_view text, std::string& out) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 2;
            continue;
        }
        out.push_back(text[i]);
    }
}

// Splits "charset'language'value"; without both quotes the whole is the value.
std::string_view TakeCharset(std::string_view text, std::string& charset) {
    const size_t first = text.find('\'');
    if (first == std::string_view::npos) return text;
    const size_t second = text.find('\'', first + 1);
    if (second == std::string_view::npos) return text;
    charset.assign(text.data(), first);
    return text.substr(second + 1);
}

struct Segment {
    int number;  // -1: the single "name*" form
    bool extended;
    const std::string* value;
};

// Reads a '*' suffix ("", "*", "N", "N*" after the first '*'); false when malformed.
bool ReadSuffix(std::string_view suffix, Segment& segment) {
    segment.number = -1;
    segment.extended = true;
    if (suffix.empty()) return true;
    int number = 0;
    size_t i = 0;
    for (; i < suffix.size() && suffix[i] >= '0' && suffix[i] <= '9'; ++i) {
        number = number * 10 + (suffix[i] - '0');
        if (number > kMaxSegment) return false;
    }
    if (i == 0) return false;
    segment.number = number;
    segment.extended = i < suffix.size();
    return i == suffix.size() || (i + 1 == suffix.size() && suffix[i] == '*');
}

void AppendSegment(const Segment& segment, bool first, ParameterValue& out) {
    if (!segment.extended) {
        out.value += *segment.value;
        return;
    }
    std::string_view text = *segment.value;
    if (first) text = TakeCharset(text, out.charset);
    AppendPercentDecoded(text, out.value);
}

}  // namespace

HeaderValue ParseHeaderValue(std::string_view text) {
    HeaderValue out;
    size_t i = NextSemicolon(text, 0);
    out.token = ReadToken(text.substr(0, i));
    while (i < text.size()) {
        ++i;  // past ';'
        RawParameter parameter;
        const bool read = ReadParameter(text, i, parameter);
        if (read) out.parameters.push_back(std::move(parameter));
        i = NextSemicolon(text, i);
    }
    return out;
}

int FindRawParameter(const HeaderValue& value, std::string_view name) {
    for (size_t i = value.parameters.size(); i-- > 0;) {
        if (EqualsIgnoreCase(value.parameters[i].name, name)) return static_cast<int>(i);
    }
    return -1;
}

ParameterValue FindParameter(const HeaderValue& value, std::string_view name) {
    ParameterValue out;
    std::vector<Segment> segments;
    for (const RawParameter& p : value.parameters) {
        if (p.name.size() <= name.size() || p.name[name.size()] != '*') continue;
        if (!StartsWithIgnoreCase(p.name, name)) continue;
        Segment segment{0, false, &p.value};
        if (ReadSuffix(p.name.substr(name.size() + 1), segment)) segments.push_back(segment);
    }
    for (const Segment& segment : segments) {
        if (segment.number != -1) continue;
        out.found = true;
        AppendSegment(segment, true, out);
        return out;
    }
    std::stable_sort(segments.begin(), segments.end(),
                     [](const Segment& a, const Segment& b) { return a.number < b.number; });
    int expected = 0;
    for (const Segment& segment : segments) {
        if (segment.number != expected) break;  // a gap or a repeat ends the value
        AppendSegment(segment, expected == 0, out);
        out.found = true;
        ++expected;
    }
    if (out.found) return out;
    const int plain = FindRawParameter(value, name);
    if (plain < 0) return out;
    out.found = true;
    out.value = value.parameters[static_cast<size_t>(plain)].value;
    return out;
}

bool HasParameter(const HeaderValue& value, std::string_view name) {
    for (const RawParameter& p : value.parameters) {
        if (StartsWithIgnoreCase(p.name, name) &&
            (p.name.size() == name.size() || p.name[name.size()] == '*'))
            return true;
    }
    return false;
}

}  // namespace tessera
