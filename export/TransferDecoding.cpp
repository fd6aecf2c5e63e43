#include "export/TransferDecoding.h"

#include <cstdint>

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

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The byte of "=XX" at text[i] (text[i] == '='), or -1.
int EscapedByte(std::string_view text, size_t i) {
    if (i + 2 >= text.size()) return -1;
    const int high = HexValue(text[i + 1]);
    const int low = HexValue(text[i + 2]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// One line of a quoted-printable body (no break), its padding already cut.
// Sets `soft` when it ends in '='.
bool DecodeQpLine(std::string_view line, std::string& out, bool& soft) {
    soft = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c != '=') {
            out.push_back(c);
            continue;
        }
        if (i + 1 == line.size()) {
            soft = true;
            return true;
        }
        const int byte = EscapedByte(line, i);
        if (byte < 0) return false;
        out.push_back(static_cast<char>(byte));
        i += 2;
    }
    return true;
}

}  // namespace

bool AppendBase64Bytes(std::string_view text, std::string& out) {
    const size_t start = out.size();
    out.reserve(start + text.size() / 4 * 3 + 3);
    uint32_t bits = 0;
    int count = 0;  // sextets in `bits`
    bool padded = false;
    for (char ch : text) {
        const int8_t v = kBase64.value[static_cast<unsigned char>(ch)];
        if (v >= 0 && !padded) {
            bits = (bits << 6) | static_cast<uint32_t>(v);
            if (++count == 4) {
                out.push_back(static_cast<char>(bits >> 16));
                out.push_back(static_cast<char>(bits >> 8));
                out.push_back(static_cast<char>(bits));
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
    if (count >= 2) out.push_back(static_cast<char>(bits >> (count == 2 ? 4 : 10)));
    if (count == 3) out.push_back(static_cast<char>(bits >> 2));
    return true;
}

bool AppendQuotedPrintableBytes(std::string_view text, std::string& out) {
    const size_t start = out.size();
    out.reserve(start + text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        size_t stop = pos;
        while (stop < text.size() && text[stop] != '\r' && text[stop] != '\n') ++stop;
        size_t next = stop;
        if (next < text.size() && text[next] == '\r') ++next;
        if (next < text.size() && text[next] == '\n' && (next == stop || text[next - 1] == '\r'))
            ++next;
        size_t end = stop;
        while (end > pos && IsBlank(text[end - 1])) --end;
        bool soft = false;
        if (!DecodeQpLine(text.substr(pos, end - pos), out, soft)) {
            out.resize(start);
            return false;
        }
        if (!soft && next > stop) out.append("\r\n", 2);
        pos = next;
    }
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
