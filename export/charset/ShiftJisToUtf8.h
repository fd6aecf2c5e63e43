// Text to UTF-8, for exports whose target is UTF-8: Shift-JIS decoded by code
// page 932 (every code it decodes, the duplicate NEC and IBM codes included).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessera {

// Appends the character `point` (at most U+10FFFF, no surrogate) as UTF-8.
void AppendCharacterAsUtf8(uint32_t point, std::string& out);

// Appends `sjis` decoded as code page 932 as UTF-8. Returns false, with `out`
// as it was, when a byte is no character of code page 932 (0x80, 0xA0,
// 0xFD-0xFF, a double-byte code it does not decode, or a lead byte cut off).
bool AppendShiftJisAsUtf8(std::string_view sjis, std::string& out);

}  // namespace tessera
