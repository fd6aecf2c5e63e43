// Header text with arbitrary encoded words through the conversion to
// Shift-JIS: no line break or NUL is ever added, text without anything to
// convert comes back byte for byte, and every word found lies in the text.
// As an address header, it gains no "&#" reference and every <address> stays, in order;
// converted to UTF-8 too, where a line break it gains only folds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "export/charset/EncodedWordDecoder.h"
#include "export/conversion/HeaderTextConversion.h"
#include "export/conversion/ShiftJisConverter.h"
#include "fuzz/FuzzHost.h"
#include "tests/support/EngineInternals.h"

using tessera::fuzzing::Check;

namespace {

constexpr size_t kMaxInput = 1 << 17;

size_t Count(const std::string& text, char c) { return std::count(text.begin(), text.end(), c); }

// True when line[at] lies in a quoted string or a comment, read as the
// converter reads an address list (an angle address runs to the next '>').
bool InsideQuoteOrComment(const std::string& line, size_t at) {
    bool quoted = false;
    int depth = 0;
    for (size_t i = 0; i < at; ++i) {
        const char c = line[i];
        if (c == '<' && !quoted && depth == 0) {
            const size_t close = line.find('>', i);
            if (close == std::string::npos || close >= at) return false;
            i = close;
        } else if (c == '\\' && (quoted || depth > 0)) {
            ++i;
        } else if (c == '"' && depth == 0) {
            quoted = !quoted;
        } else if (!quoted && c == '(') {
            ++depth;
        } else if (!quoted && c == ')' && depth > 0) {
            --depth;
        }
    }
    return quoted || depth > 0;
}

// `out` is `line` as an address header converted: to Shift-JIS, or to UTF-8 words.
void CheckAddress(const std::string& line, const std::string& out, bool utf8) {
    const auto count = [](const std::string& t, const char* s) {
        size_t n = 0;
        for (size_t at = t.find(s); at != std::string::npos; at = t.find(s, at + 1)) ++n;
        return n;
    };
    Check(count(out, "&#") <= count(line, "&#"));
    Check(Count(out, '\0') <= Count(line, '\0'));
    if (utf8) {
        // A line break gained is a fold: followed by a space or a tab (a fold
        // before the tab of ",\tfor").
        size_t breaks = 0;
        for (size_t at = out.find('\n'); at != std::string::npos; at = out.find('\n', at + 1))
            breaks += at + 1 < out.size() && (out[at + 1] == ' ' || out[at + 1] == '\t') ? 0 : 1;
        Check(breaks <= Count(line, '\n'));
    } else {
        for (char c : {'\r', '\n'}) Check(Count(out, c) <= Count(line, c));
    }
    // An encoded word's text may hold what looks like an address; decoded, it is
    // part of the name (after "=1B=24=42", kanji).
    std::vector<std::pair<size_t, size_t>> words;
    tessera::EncodedWord word;
    for (size_t from = 0; tessera::FindEncodedWord(line, from, word); from = word.end) {
        words.emplace_back(word.begin, word.end);
    }
    const auto inWord = [&](size_t at) {
        return std::any_of(words.begin(), words.end(),
                           [&](const auto& w) { return at >= w.first && at < w.second; });
    };
    size_t found = 0;
    for (size_t open = line.find('<'); open != std::string::npos; open = line.find('<', open + 1)) {
        const size_t close = line.find('>', open);
        if (close == std::string::npos) break;
        if (inWord(open)) continue;
        // After an escape into a set other than ASCII (never left), '<' is a
        // byte of a character, not the start of an address.
        const size_t escape = line.rfind('\x1b', open);
        if (escape != std::string::npos && line.compare(escape, 3, "\x1b(B") != 0) continue;
        // Likewise after a shift out (SO) that no shift in (SI) ended: the bytes
        // are half-width katakana.
        const size_t shiftOut = line.rfind('\x0e', open);
        const size_t shiftIn = line.rfind('\x0f', open);
        if (shiftOut != std::string::npos && (shiftIn == std::string::npos || shiftIn < shiftOut)) {
            continue;
        }
        const std::string address = line.substr(open, close + 1 - open);
        // Only what reads as a plain address: no word, quote, escape, comment or list inside.
        const auto special = [](char c) {
            return (c & 0x80) || c <= ' ' ||
                   std::string_view("\"(),:;=?\\").find(c) != std::string_view::npos;
        };
        if (std::any_of(address.begin(), address.end(), special)) continue;
        // To UTF-8, a name or comment becomes words whole, with what looked like
        // an address inside it.
        if (utf8 && InsideQuoteOrComment(line, open)) continue;
        found = out.find(address, found);
        Check(found != std::string::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInput) return -1;
    const std::string text(reinterpret_cast<const char*>(data), size);
    tessera::EncodedWord word;
    size_t from = 0;
    while (tessera::FindEncodedWord(text, from, word)) {
        Check(word.begin >= from && word.end <= text.size() &&
              word.end - word.begin <= tessera::kMaxEncodedWordBytes);
        from = word.end;
    }
    static const tessera::HostApi api = tessera::fuzzing::FuzzHostApi();
    tessera::ShiftJisConverter converter(api);
    tessera::ShiftJisConverter toUtf8(api, tessera::Unwatched(), tessera::TargetCharset::kUtf8);
    std::string out;
    const bool plain = text.find("=?") == std::string::npos &&
                       text.find('\x1b') == std::string::npos &&
                       std::none_of(text.begin(), text.end(), [](char c) { return c & 0x80; });
    for (tessera::ShiftJisConverter* c : {&converter, &toUtf8}) {
        const bool changed =
            tessera::ConvertHeaderText(text, *c, tessera::Unmappable::kReference, out);
        Check(changed == (out != text));
        Check(Count(out, '\r') <= Count(text, '\r') && Count(out, '\n') <= Count(text, '\n'));
        Check(Count(out, '\0') <= Count(text, '\0'));
        if (plain) Check(out == text);
    }
    const std::string line = "To: " + text;
    for (tessera::ShiftJisConverter* c : {&converter, &toUtf8}) {
        tessera::ConvertAddressHeader(line, *c, out);
        CheckAddress(line, out, c == &toUtf8);
    }
    return 0;
}
