// Text to UTF-8, for exports whose target is UTF-8: Shift-JIS decoded by code
// page 932 (every code it decodes, the duplicate NEC and IBM codes included).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessera {

// Appends the character `point` (at most U+10FFFF, no surrogate) as UTF-8.
void AppendCharacterAsUtf8(uint32_t point, std::string& out);

// The character written for a code that no character set defines (a carrier's
// emoji in JIS rows code page 932 leaves empty, say).
constexpr uint32_t kReplacementCharacter = 0xFFFD;

// Appends `sjis` decoded as code page 932 as UTF-8. A lead and trail byte that
// code page 932 leaves undefined become kReplacementCharacter, counted in
// *undefined when it is not null. Returns false, with `out` as it was, when a
// byte is no part of any code (0x80, 0xA0, 0xFD-0xFF, a lead byte without a
// trail byte).
bool AppendShiftJisAsUtf8(std::string_view sjis, std::string& out, size_t* undefined = nullptr);

}  // namespace tessera
