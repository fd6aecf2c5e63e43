#include "export/charset/ShiftJisToUtf8.h"

#include "export/charset/internal/Cp932Table.h"

namespace tessera {

void AppendCharacterAsUtf8(uint32_t point, std::string& out) {
    if (point < 0x80) {
        out.push_back(static_cast<char>(point));
    } else if (point < 0x800) {
        out.push_back(static_cast<char>(0xC0 | point >> 6));
        out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
    } else if (point < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | point >> 12));
        out.push_back(static_cast<char>(0x80 | (point >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | point >> 18));
        out.push_back(static_cast<char>(0x80 | (point >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (point >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
    }
}

bool AppendShiftJisAsUtf8(std::string_view sjis, std::string& out) {
    const size_t start = out.size();
    // Japanese text is at most 3/2 as long in UTF-8 (a kana byte becomes three).
    out.reserve(start + sjis.size() + sjis.size() / 2 + 1);
    for (size_t i = 0; i < sjis.size();) {
        const unsigned char c = static_cast<unsigned char>(sjis[i]);
        if (c < 0x80) {
            size_t run = i + 1;
            while (run < sjis.size() && static_cast<unsigned char>(sjis[run]) < 0x80) ++run;
            out.append(sjis.data() + i, run - i);
            i = run;
            continue;
        }
        if (c >= 0xA1 && c <= 0xDF) {  // half-width katakana
            AppendCharacterAsUtf8(0xFF61 + (c - 0xA1u), out);
            ++i;
            continue;
        }
        const uint32_t point = i + 1 < sjis.size() ? Cp932DoubleByteCharacter(
                                                         c, static_cast<unsigned char>(sjis[i + 1]))
                                                   : 0;
        if (point == 0) {
            out.resize(start);
            return false;
        }
        AppendCharacterAsUtf8(point, out);
        i += 2;
    }
    return true;
}

}  // namespace tessera
