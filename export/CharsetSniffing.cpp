#include "export/CharsetSniffing.h"

#include <cstdint>
#include <cstring>

#include "export/Utf8ToShiftJis.h"

namespace tessera {

namespace {

bool IsEucByte(unsigned char c) { return c >= 0xA1 && c <= 0xFE; }

}  // namespace

bool HasIso2022JpEscape(std::string_view text) {
    const char* p = text.data();
    const char* end = p + text.size();
    while ((p = static_cast<const char*>(std::memchr(p, 0x1B, static_cast<size_t>(end - p)))) !=
           nullptr) {
        const std::string_view rest(p + 1, static_cast<size_t>(end - p - 1));
        if (rest.compare(0, 2, "$B") == 0 || rest.compare(0, 2, "$@") == 0 ||
            rest.compare(0, 3, "$(D") == 0 || rest.compare(0, 2, "(I") == 0) {
            return true;
        }
        ++p;
    }
    return false;
}

bool HasEightBitByte(std::string_view text) {
    const char* p = text.data();
    size_t left = text.size();
    for (; left >= 8; p += 8, left -= 8) {  // eight bytes at a time: most text is 7-bit
        uint64_t word;
        std::memcpy(&word, p, sizeof word);
        if (word & 0x8080808080808080ull) return true;
    }
    for (; left > 0; ++p, --left) {
        if (static_cast<unsigned char>(*p) >= 0x80) return true;
    }
    return false;
}

bool IsEucJpText(std::string_view text) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    bool eightBit = false;
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = p[i];
        if (c < 0x80) continue;
        eightBit = true;
        if (IsEucByte(c) && i + 1 < n && IsEucByte(p[i + 1])) {
            ++i;
        } else if (c == 0x8E && i + 1 < n && p[i + 1] >= 0xA1 && p[i + 1] <= 0xDF) {
            ++i;
        } else if (c == 0x8F && i + 2 < n && IsEucByte(p[i + 1]) && IsEucByte(p[i + 2])) {
            i += 2;
        } else {
            return false;
        }
    }
    return eightBit;
}

JapaneseCharset ResolveJapaneseCharset(JapaneseCharset declared, std::string_view text) {
    switch (declared) {
        case JapaneseCharset::kIso2022Jp:
            // Escapes and 8-bit bytes (kana written as 8-bit JIS): the host's
            // converter passes the bytes through, as it always has.
            if (!HasEightBitByte(text) || HasIso2022JpEscape(text)) return declared;
            if (IsWellFormedUtf8(text)) return JapaneseCharset::kUtf8;
            if (IsEucJpText(text)) return JapaneseCharset::kEucJp;
            if (MeasureShiftJis(text) != ShiftJisRepertoire::kInvalid)
                return JapaneseCharset::kShiftJis;
            return JapaneseCharset::kNone;
        case JapaneseCharset::kEucJp:
            if (!HasEightBitByte(text) || IsEucJpText(text)) return declared;
            return IsWellFormedUtf8(text) ? JapaneseCharset::kUtf8 : JapaneseCharset::kNone;
        case JapaneseCharset::kShiftJis:
            return MeasureShiftJis(text) != ShiftJisRepertoire::kInvalid ? declared
                                                                         : JapaneseCharset::kNone;
        case JapaneseCharset::kUtf8:
            return declared;  // the conversion itself refuses malformed UTF-8
        case JapaneseCharset::kNone:
            break;
    }
    return JapaneseCharset::kNone;
}

}  // namespace tessera
