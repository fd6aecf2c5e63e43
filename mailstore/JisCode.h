#pragma once

// Row/cell arithmetic from JIS X 0208 to Shift-JIS. Applied to every row, so
// the NEC special characters (row 13) and the NEC-selected rows 89 to 92 land
// on the codes code page 932 gives them (0x87xx, 0xEDxx/0xEExx).

namespace tessera {

// Shift-JIS "〓" (geta mark): stands for characters without a Shift-JIS form.
inline constexpr char kGetaMark[] = "\x81\xAC";

// A byte of a 7-bit two-byte character (row or cell, 0x21 to 0x7E).
inline bool IsJisByte(unsigned char c) { return c >= 0x21 && c <= 0x7E; }

// Writes the Shift-JIS pair for JIS row byte j1 and cell byte j2 (both
// 0x21..0x7E) to dst[0], dst[1].
inline void JisToShiftJis(unsigned char j1, unsigned char j2, char* dst) {
    unsigned lead = ((j1 - 0x21u) >> 1) + 0x81u;
    if (lead > 0x9Fu) {
        lead += 0x40u;
    }
    unsigned trail = j2 + 0x7Eu;
    if (j1 & 1u) {
        trail = j2 + 0x1Fu;
        if (trail >= 0x7Fu) {
            ++trail;  // Shift-JIS trail bytes skip 0x7F
        }
    }
    dst[0] = static_cast<char>(lead);
    dst[1] = static_cast<char>(trail);
}

}  // namespace tessera
