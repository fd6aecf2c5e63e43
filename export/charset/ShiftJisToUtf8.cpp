#include "export/charset/ShiftJisToUtf8.h"

#include "export/charset/internal/Cp932Table.h"
#include "export/text/ShiftJisText.h"

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

bool AppendShiftJisAsUtf8(std::string_view sjis, std::string& out, size_t* undefined) {
    const size_t start = out.size();
    // Double-byte text is 3/2 as long in UTF-8 (half-width katakana three times).
    out.reserve(start + sjis.size() + sjis.size() / 2 + 1);
    size_t unknown = 0;
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
        const unsigned char trail =
            i + 1 < sjis.size() ? static_cast<unsigned char>(sjis[i + 1]) : 0;
        uint32_t point = Cp932DoubleByteCharacter(c, trail);
        if (point == 0) {
            if (!IsShiftJisLeadByte(c) || !IsShiftJisTrailByte(trail)) {
                out.resize(start);
                return false;
            }
            point = kReplacementCharacter;
            ++unknown;
        }
        AppendCharacterAsUtf8(point, out);
        i += 2;
    }
    if (undefined != nullptr) *undefined += unknown;
    return true;
}

}  // namespace tessera
