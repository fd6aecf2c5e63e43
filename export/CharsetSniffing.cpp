#include "export/CharsetSniffing.h"

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

bool IsWellFormedIso2022Jp(std::string_view text) {
    static const char* const kDesignations[] = {"(B",  "(J",  "(H",  "(I",  "$@",  "$B", "$(@",
                                                "$(B", "$(O", "$(Q", "$(D", "$(P", "&@"};
    bool twoByte = false;
    size_t pending = 0;  // bytes of the two-byte character begun
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == 0x1B || c == '\r' || c == '\n') {
            if (pending != 0) return false;
            if (c != 0x1B) {
                twoByte = false;
                continue;
            }
            const std::string_view rest = text.substr(i + 1);
            size_t length = 0;
            for (const char* d : kDesignations) {
                if (rest.compare(0, std::strlen(d), d) == 0) length = std::strlen(d);
            }
            if (length == 0) return false;
            if (rest[0] != '&') twoByte = rest[0] == '$';  // ESC & @ only announces a revision
            i += length;
            continue;
        }
        if (!twoByte) continue;
        if (c >= 0x21 && c <= 0x7E) {
            pending ^= 1;
        } else if (pending != 0 || c >= 0x80) {
            return false;
        }
    }
    return pending == 0;
}

bool HasEightBitByte(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return true;
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
            if (!HasEightBitByte(text) || HasIso2022JpEscape(text)) {
                return IsWellFormedIso2022Jp(text) ? declared : JapaneseCharset::kNone;
            }
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
            return IsWellFormedUtf8(text) ? declared : JapaneseCharset::kNone;
        case JapaneseCharset::kNone:
            break;
    }
    return JapaneseCharset::kNone;
}

}  // namespace tessera
