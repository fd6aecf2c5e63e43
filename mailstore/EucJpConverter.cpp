#include "mailstore/EucJpConverter.h"

#include "mailstore/JisCode.h"

namespace tessera {
namespace {

constexpr unsigned char kSingleShift2 = 0x8E;  // next byte: half-width katakana
constexpr unsigned char kSingleShift3 = 0x8F;  // next two bytes: JIS X 0212

bool IsEucByte(unsigned char c) { return c >= 0xA1 && c <= 0xFE; }
bool IsKanaByte(unsigned char c) { return c >= 0xA1 && c <= 0xDF; }

// Converts the character at src (an 8-bit byte, src < end) into dst.
// Returns the number of bytes read; dst advances by at most that many.
size_t ConvertOne(const unsigned char* src, const unsigned char* end, char*& dst) {
    size_t avail = static_cast<size_t>(end - src);
    unsigned char c = src[0];
    if (IsEucByte(c) && avail >= 2 && IsEucByte(src[1])) {
        JisToShiftJis(c - 0x80, src[1] - 0x80, dst);
        dst += 2;
        return 2;
    }
    if (c == kSingleShift2 && avail >= 2 && IsKanaByte(src[1])) {
        *dst++ = static_cast<char>(src[1]);
        return 2;
    }
    if (c == kSingleShift3 && avail >= 3 && IsEucByte(src[1]) && IsEucByte(src[2])) {
        *dst++ = kGetaMark[0];
        *dst++ = kGetaMark[1];
        return 3;
    }
    *dst++ = static_cast<char>(c);
    return 1;
}

size_t FindFirst8Bit(std::string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80) {
            return i;
        }
    }
    return std::string_view::npos;
}

}  // namespace

void AppendEucJpAsShiftJis(std::string_view text, std::string& out) {
    size_t first = FindFirst8Bit(text);
    if (first == std::string_view::npos) {
        out.append(text);
        return;
    }
    size_t base = out.size();
    out.resize(base + text.size());
    char* dst = &out[base];
    const unsigned char* src = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* end = src + text.size();
    while (src < end) {
        if (*src < 0x80) {
            *dst++ = static_cast<char>(*src++);
            continue;
        }
        src += ConvertOne(src, end, dst);
    }
    out.resize(static_cast<size_t>(dst - out.data()));
}

std::string EucJpToShiftJis(std::string_view text) {
    std::string out;
    AppendEucJpAsShiftJis(text, out);
    return out;
}

}  // namespace tessera
