#include "export/charset/internal/JisTables.h"

namespace tessera {

namespace {

#include "export/charset/internal/JisTables.inc"

constexpr uint16_t kJisX0208Cell = 0xFFFF;
constexpr uint16_t kWideBase = 0xD800;
constexpr uint16_t kWideEnd = 0xE000;

}  // namespace

JisCell LookUpJisCell(JisSet set, unsigned char row, unsigned char cell) {
    JisCell found;
    if (row < 0x21 || row > 0x7E || cell < 0x21 || cell > 0x7E) return found;
    const uint16_t slot = kJisRowSlot[static_cast<size_t>(set)][row - 0x21];
    if (slot == 0) return found;
    const uint16_t value = kJisRows[slot - 1][cell - 0x21];
    if (value == 0) return found;
    if (value == kJisX0208Cell) {
        found.jisX0208 = true;
    } else if (value >= kWideBase && value < kWideEnd) {
        const uint32_t* wide = kJisWide[value - kWideBase];
        found.points[0] = wide[0];
        found.points[1] = wide[1];
        found.count = wide[1] != 0 ? 2 : 1;
    } else {
        found.points[0] = value;
        found.count = 1;
    }
    return found;
}

uint32_t GreekUpperHalf(unsigned char byte) {
    return byte >= 0xA0 ? kGreekUpperHalf[byte - 0xA0] : 0;
}

void JisToShiftJis(unsigned char row, unsigned char cell, char* dst) {
    unsigned lead = ((row - 0x21u) >> 1) + 0x81u;
    if (lead > 0x9Fu) lead += 0x40u;
    unsigned trail = cell + 0x7Eu;
    if (row & 1u) {
        trail = cell + 0x1Fu;
        if (trail >= 0x7Fu) ++trail;  // Shift-JIS trail bytes skip 0x7F
    }
    dst[0] = static_cast<char>(lead);
    dst[1] = static_cast<char>(trail);
}

}  // namespace tessera
