#include "export/charset/CharsetSniffing.h"

#include <cstdint>
#include <cstring>

#include "export/charset/CharsetLabel.h"
#include "export/charset/Utf8ToShiftJis.h"
#include "export/text/ByteScan.h"

namespace tessera {

namespace {

bool IsEucByte(unsigned char c) { return c >= 0xA1 && c <= 0xFE; }

// How a reading of 8-bit text as Japanese fares: the common characters it
// gives (kana, row 1 symbols, first-level kanji) and the rare ones.
struct Reading {
    bool valid = true;
    size_t common = 0;
    size_t rare = 0;
    long Score() const { return static_cast<long>(common) - static_cast<long>(rare); }
};

// JIS rows 1 to 5 (symbols, digits and Latin, kana) and 16 to 47 (first-level kanji).
bool IsCommonRow(unsigned row) { return row <= 5 || (row >= 16 && row <= 47); }

Reading ReadAsEucJp(std::string_view text) {
    Reading r;
    r.valid = IsEucJpText(text);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    for (size_t i = 0; r.valid && i < n; ++i) {
        if (p[i] < 0x80) continue;
        if (p[i] == 0x8E || p[i] == 0x8F) {
            ++r.rare;
            i += p[i] == 0x8E ? 1 : 2;
            continue;
        }
        (IsCommonRow(p[i] - 0xA0u) ? r.common : r.rare) += 1;
        ++i;
    }
    return r;
}

Reading ReadAsShiftJis(std::string_view text) {
    Reading r;
    r.valid = MeasureShiftJis(text) != ShiftJisRepertoire::kInvalid;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    for (size_t i = 0; r.valid && i < n; ++i) {
        const unsigned char c = p[i];
        if (c < 0x80) continue;
        if (c >= 0xA1 && c <= 0xDF) {
            ++r.rare;
            continue;
        }
        // Leads 0x81-0x82 hold rows 1-4, 0x83 rows 5 (trail up to 0x9E) and 6,
        // 0x88-0x98 rows 16-47.
        const bool common =
            c <= 0x82 || (c == 0x83 && i + 1 < n && p[i + 1] <= 0x9E) || (c >= 0x88 && c <= 0x98);
        (common ? r.common : r.rare) += 1;
        ++i;
    }
    return r;
}

}  // namespace

bool HasIso2022JpEscape(std::string_view text) {
    const char* p = text.data();
    const char* end = p + text.size();
    while ((p = FindByte(p, end, 0x1B)) != nullptr) {
        const std::string_view rest(p + 1, static_cast<size_t>(end - p - 1));
        if (rest.compare(0, 2, "$B") == 0 || rest.compare(0, 2, "$@") == 0 ||
            rest.compare(0, 2, "$A") == 0 || rest.compare(0, 2, "(I") == 0) {
            return true;
        }
        if (rest.compare(0, 2, "$(") == 0 && rest.size() >= 3 &&
            std::strchr("BCDOPQ", rest[2]) != nullptr) {
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

JapaneseCharset GuessJapaneseCharset(std::string_view text) {
    if (!HasEightBitByte(text)) return JapaneseCharset::kNone;
    if (IsWellFormedUtf8(text)) return JapaneseCharset::kUtf8;
    const Reading euc = ReadAsEucJp(text);
    const Reading sjis = ReadAsShiftJis(text);
    const bool eucWins = euc.valid && (!sjis.valid || euc.Score() >= sjis.Score());
    const Reading& best = eucWins ? euc : sjis;
    if (!best.valid || best.common == 0) return JapaneseCharset::kNone;
    return eucWins ? JapaneseCharset::kEucJp : JapaneseCharset::kShiftJis;
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
