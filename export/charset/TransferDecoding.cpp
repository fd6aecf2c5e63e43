#include "export/charset/TransferDecoding.h"

#include <cstdint>
#include <cstring>
#include <memory>

namespace tessera {

namespace {

constexpr int8_t kInvalid = -1;
constexpr int8_t kSkip = -2;  // line breaks and blanks
constexpr int8_t kPad = -3;

struct Base64Table {
    int8_t value[256];
    constexpr Base64Table() : value() {
        for (int i = 0; i < 256; ++i) value[i] = kInvalid;
        const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (int i = 0; i < 64; ++i)
            value[static_cast<unsigned char>(alphabet[i])] = static_cast<int8_t>(i);
        value[static_cast<unsigned char>('\r')] = kSkip;
        value[static_cast<unsigned char>('\n')] = kSkip;
        value[static_cast<unsigned char>(' ')] = kSkip;
        value[static_cast<unsigned char>('\t')] = kSkip;
        value[static_cast<unsigned char>('=')] = kPad;
    }
};

constexpr Base64Table kBase64;

struct HexTable {
    int8_t value[256];
    constexpr HexTable() : value() {
        for (int i = 0; i < 256; ++i) value[i] = -1;
        for (int i = 0; i < 10; ++i) value['0' + i] = static_cast<int8_t>(i);
        for (int i = 0; i < 6; ++i) {
            value['A' + i] = static_cast<int8_t>(10 + i);
            value['a' + i] = static_cast<int8_t>(10 + i);
        }
    }
};

constexpr HexTable kHex;

// The bytes that end a run of quoted-printable text copied as it is.
struct QpStopTable {
    bool value[256];
    constexpr QpStopTable() : value() {
        for (unsigned char c : {'=', '\r', '\n', ' ', '\t'}) value[c] = true;
    }
};

constexpr QpStopTable kQpStop;

// The byte of "=XX" at text[i] (text[i] == '='), or -1.
int EscapedByte(std::string_view text, size_t i) {
    if (i + 2 >= text.size()) return -1;
    const int high = kHex.value[static_cast<unsigned char>(text[i + 1])];
    const int low = kHex.value[static_cast<unsigned char>(text[i + 2])];
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

// Decodes quoted-printable text to `dst` (room for 2 bytes per input byte);
// returns the end of what was written, or null on a damaged '='.
char* DecodeQp(const char* p, const char* end, std::string_view lineBreak, char* dst) {
    char* padding = dst;  // where the blanks at the end of the line begin
    while (p < end) {
        // Most of the text: a run of bytes that stand for themselves, copied at once.
        const char* run = p;
        while (p < end && !kQpStop.value[static_cast<unsigned char>(*p)]) ++p;
        if (p != run) {
            std::memcpy(dst, run, static_cast<size_t>(p - run));
            dst += p - run;
            padding = dst;
            if (p == end) break;
        }
        const char c = *p;
        if (c == '=') {
            // Escapes come in runs (text outside ASCII is nothing else): decoded in one loop.
            const char* escapes = p;
            while (end - p >= 3 && *p == '=' && kHex.value[static_cast<unsigned char>(p[1])] >= 0 &&
                   kHex.value[static_cast<unsigned char>(p[2])] >= 0) {
                *dst++ = static_cast<char>(kHex.value[static_cast<unsigned char>(p[1])] * 16 +
                                           kHex.value[static_cast<unsigned char>(p[2])]);
                p += 3;
            }
            if (p != escapes) {
                padding = dst;
                continue;
            }
            // A soft line break: '=' and blanks up to the end of the line. The
            // blanks before the '=' are text (the '=' is there to protect them).
            const char* after = p + 1;
            while (after < end && (*after == ' ' || *after == '\t')) ++after;
            if (after < end && *after != '\r' && *after != '\n') return nullptr;
            if (after < end && *after == '\r') ++after;
            if (after < end && *after == '\n') ++after;
            padding = dst;
            p = after;
            continue;
        }
        if (c == '\r' || c == '\n') {
            dst = padding;  // blanks at the end of a line are transport padding
            std::memcpy(dst, lineBreak.data(), lineBreak.size());
            dst += lineBreak.size();
            padding = dst;
            p += (c == '\r' && p + 1 < end && p[1] == '\n') ? 2 : 1;
            continue;
        }
        *dst++ = c;
        if (c != ' ' && c != '\t') padding = dst;
        ++p;
    }
    return padding;
}

}  // namespace

bool AppendBase64Bytes(std::string_view text, std::string& out) {
    const size_t start = out.size();
    out.resize(start + text.size() / 4 * 3 + 3);
    unsigned char* const base = reinterpret_cast<unsigned char*>(&out[0] + start);
    unsigned char* dst = base;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* const end = p + text.size();
    uint32_t bits = 0;
    int count = 0;  // sextets in `bits`
    bool padded = false;
    while (p < end) {
        // Whole quanta of four alphabet characters: most of the text.
        while (count == 0 && !padded && end - p >= 4) {
            const int a = kBase64.value[p[0]], b = kBase64.value[p[1]];
            const int c = kBase64.value[p[2]], d = kBase64.value[p[3]];
            if ((a | b | c | d) < 0) break;
            const uint32_t quantum = static_cast<uint32_t>(a << 18 | b << 12 | c << 6 | d);
            dst[0] = static_cast<unsigned char>(quantum >> 16);
            dst[1] = static_cast<unsigned char>(quantum >> 8);
            dst[2] = static_cast<unsigned char>(quantum);
            dst += 3;
            p += 4;
        }
        if (p == end) break;
        const int8_t v = kBase64.value[*p++];
        if (v >= 0 && !padded) {
            bits = (bits << 6) | static_cast<uint32_t>(v);
            if (++count == 4) {
                *dst++ = static_cast<unsigned char>(bits >> 16);
                *dst++ = static_cast<unsigned char>(bits >> 8);
                *dst++ = static_cast<unsigned char>(bits);
                bits = 0;
                count = 0;
            }
            continue;
        }
        if (v == kSkip) continue;
        if (v == kPad && count != 1) {
            padded = true;
            continue;
        }
        out.resize(start);  // a foreign byte, data after padding, or '=' too early
        return false;
    }
    if (count == 1) {
        out.resize(start);
        return false;
    }
    if (count >= 2) *dst++ = static_cast<unsigned char>(bits >> (count == 2 ? 4 : 10));
    if (count == 3) *dst++ = static_cast<unsigned char>(bits >> 2);
    out.resize(start + static_cast<size_t>(dst - base));
    return true;
}

bool AppendQuotedPrintableBytes(std::string_view text, std::string& out,
                                std::string_view lineBreak) {
    // A bare CR or LF comes out as a break of two bytes at most: twice the text
    // at worst. Room that is never written costs no memory, where a string
    // would have been filled.
    std::unique_ptr<char[]> room(new char[2 * text.size() + 1]);
    const char* end = DecodeQp(text.data(), text.data() + text.size(), lineBreak, room.get());
    if (end == nullptr) return false;
    out.append(room.get(), static_cast<size_t>(end - room.get()));
    return true;
}

bool AppendQEncodedBytes(std::string_view payload, std::string& out) {
    const size_t start = out.size();
    for (size_t i = 0; i < payload.size(); ++i) {
        const char c = payload[i];
        if (c == '_') {
            out.push_back(' ');
            continue;
        }
        if (c != '=') {
            out.push_back(c);
            continue;
        }
        const int byte = EscapedByte(payload, i);
        if (byte < 0) {
            out.resize(start);
            return false;
        }
        out.push_back(static_cast<char>(byte));
        i += 2;
    }
    return true;
}

}  // namespace tessera
