#include "export/Cp932Table.h"

namespace tessera {

namespace {

struct KanaComposition {
    uint16_t base;
    uint16_t mark;
    uint16_t code;
};

#include "export/Cp932Table.inc"

}  // namespace

uint16_t Cp932Code(uint32_t codePoint) {
    if (codePoint > 0xFFFF) return 0;
    const uint8_t slot = kPageSlot[codePoint >> 8];
    return slot == 0 ? 0 : kPages[slot - 1][codePoint & 0xFF];
}

bool IsCp932DoubleByte(unsigned char lead, unsigned char trail) {
    if (lead < 0x81 || lead > 0xFC || trail < 0x40 || trail > 0xFC) return false;
    const unsigned bit = trail - 0x40u;
    return (kDoubleByteValid[lead - 0x81][bit / 32] >> (bit % 32)) & 1u;
}

uint16_t Cp932ComposedKana(uint32_t base, uint32_t mark) {
    for (const KanaComposition& c : kKanaCompositions) {
        if (c.base == base && c.mark == mark) return c.code;
    }
    return 0;
}

}  // namespace tessera
