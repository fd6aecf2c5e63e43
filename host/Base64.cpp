#include "host/Base64.h"

#include <array>

namespace tessera {
namespace {

constexpr unsigned char kInvalid = 0xFF;

constexpr std::array<unsigned char, 256> MakeDecodeTable() {
    std::array<unsigned char, 256> table{};
    for (auto& v : table) {
        v = kInvalid;
    }
    constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (unsigned char i = 0; i < 64; ++i) {
        table[static_cast<unsigned char>(kAlphabet[i])] = i;
    }
    return table;
}

constexpr std::array<unsigned char, 256> kDecode = MakeDecodeTable();

// Length of the data before the trailing '=' run; npos if '=' is followed by data.
size_t DataLength(std::string_view text) {
    size_t pad = text.find('=');
    if (pad == std::string_view::npos) {
        return text.size();
    }
    if (text.find_first_not_of('=', pad) != std::string_view::npos) {
        return std::string_view::npos;
    }
    return pad;
}

}  // namespace

bool AppendBase64Decoded(std::string_view text, std::string& out) {
    size_t length = DataLength(text);
    if (length == std::string_view::npos || length % 4 == 1) {
        return false;
    }
    size_t base = out.size();
    out.resize(base + length / 4 * 3 + 2);
    char* dst = &out[base];
    unsigned bits = 0;
    int count = 0;
    for (size_t i = 0; i < length; ++i) {
        unsigned char v = kDecode[static_cast<unsigned char>(text[i])];
        if (v == kInvalid) {
            out.resize(base);
            return false;
        }
        bits = (bits << 6) | v;
        count += 6;
        if (count >= 8) {
            count -= 8;
            *dst++ = static_cast<char>((bits >> count) & 0xFFu);
        }
    }
    out.resize(static_cast<size_t>(dst - out.data()));
    return true;
}

}  // namespace tessera
