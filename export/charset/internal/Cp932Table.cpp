#include "export/charset/internal/Cp932Table.h"

namespace tessera {

namespace {

struct KanaComposition {
    uint16_t base;
    uint16_t mark;
    uint16_t code;
};

}  // namespace

#include "export/charset/internal/Cp932Table.inc"

uint16_t Cp932ComposedKana(uint32_t base, uint32_t mark) {
    for (const KanaComposition& c : kKanaCompositions) {
        if (c.base == base && c.mark == mark) return c.code;
    }
    return 0;
}

}  // namespace tessera
