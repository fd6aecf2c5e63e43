#include "export/conversion/internal/EncodedWords.h"

#include <algorithm>

#include "export/charset/CharsetSniffing.h"
#include "export/text/AsciiText.h"

namespace tessera {

namespace {

// UTF-8 bytes per encoded word: 60 base64 characters, within the 75 of a word.
constexpr size_t kWordBytes = 45;
// Words are folded to keep lines within this many columns.
constexpr size_t kFoldColumn = 76;
// A word shorter than this (three characters of kanji) goes on a new line instead.
constexpr size_t kMinWordBytes = 9;
constexpr std::string_view kWordStart = "=?UTF-8?B?";
constexpr std::string_view kWordEnd = "?=";

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

size_t Column(const std::string& out) {
    const size_t lf = out.rfind('\n');
    return lf == std::string::npos ? out.size() : out.size() - lf - 1;
}

}  // namespace

void AppendEncodedWords(std::string_view utf8, std::string& out, std::string_view lineBreak) {
    // A line break in header text is a fold: unfolded, it is the blank after it.
    std::string unfolded;
    if (utf8.find_first_of("\r\n") != std::string_view::npos) {
        for (char c : utf8) {
            if (c != '\r' && c != '\n') unfolded.push_back(c);
        }
        utf8 = unfolded;
    }
    const size_t overhead = kWordStart.size() + kWordEnd.size();
    bool first = true;
    while (!utf8.empty()) {
        size_t room = kWordBytes;
        if (lineBreak.empty()) {
            if (!first) out.push_back(' ');
        } else {
            // A word as long as the line has room for; a new line when that is under
            // three characters, unless nothing before the first word may fold.
            const size_t column = Column(out) + (first ? 0 : 1);
            const size_t fits =
                column + overhead < kFoldColumn ? (kFoldColumn - column - overhead) / 4 * 3 : 0;
            const bool blankBefore = !out.empty() && (out.back() == ' ' || out.back() == '\t');
            if (fits >= kMinWordBytes) {
                room = std::min(kWordBytes, fits);
                if (!first) out.push_back(' ');
            } else if (!first || blankBefore) {
                if (first) out.pop_back();
                out += lineBreak;
                out.push_back(' ');
            }
        }
        size_t n = std::min(room, utf8.size());
        while (n < utf8.size() && n > 0 && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80)
            --n;
        if (n == 0) n = std::min(room, utf8.size());  // no character boundary: not UTF-8
        first = false;
        out += kWordStart;
        AppendBase64(utf8.substr(0, n), out);
        out += kWordEnd;
        utf8.remove_prefix(n);
    }
}

std::string_view LineBreakOf(std::string_view line) {
    const size_t lf = line.find('\n');
    const bool bare = lf != std::string_view::npos && lf > 0 && line[lf - 1] != '\r';
    return bare ? "\n" : "\r\n";
}

void WriteHeaderLineAsWords(std::string_view line, std::string& out) {
    out.clear();
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
        out.assign(line.data(), line.size());
        return;
    }
    const std::string_view lineBreak = LineBreakOf(line);
    out.append(line.substr(0, colon + 1));
    std::string run;  // tokens that become words, with the blanks between them unfolded
    bool open = false;
    for (size_t i = colon + 1; i < line.size();) {
        size_t end = i;
        while (end < line.size() && IsBlank(line[end])) ++end;
        const std::string_view blanks = line.substr(i, end - i);
        size_t tokenEnd = end;
        while (tokenEnd < line.size() && !IsBlank(line[tokenEnd])) ++tokenEnd;
        const std::string_view token = line.substr(end, tokenEnd - end);
        i = tokenEnd;
        if (HasEightBitByte(token)) {
            if (open) {
                for (char c : blanks) {
                    if (c != '\r' && c != '\n') run.push_back(c);
                }
            } else {
                out.append(blanks);
                open = true;
            }
            run.append(token);
            continue;
        }
        if (open) {
            AppendEncodedWords(run, out, lineBreak);
            run.clear();
            open = false;
        }
        out.append(blanks);
        out.append(token);
    }
    if (open) AppendEncodedWords(run, out, lineBreak);
}

}  // namespace tessera
