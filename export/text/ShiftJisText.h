// Shift-JIS text rules: where characters begin and end. Many second bytes
// are ASCII ('\' 0x5C in "表", '|' 0x7C in "ポ"), so byte tests on such text
// must know the characters first.
#pragma once

#include <cstddef>
#include <string>

namespace tessera {

// Lead byte of a double-byte character.
inline bool IsShiftJisLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Trail byte of a double-byte character (0x40-0x7E, 0x80-0xFC).
inline bool IsShiftJisTrailByte(unsigned char byte) {
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

// Length of the longest prefix of `text` of at most `limit` bytes that ends on a
// character boundary; a lead byte without its second byte at the end is left out.
size_t CharacterPrefix(const std::string& text, size_t limit);

// At most `limit` bytes of `text`, cut at a character boundary.
std::string CutToCharacters(const std::string& text, size_t limit);

// True when the last character of `text` is the single byte `c` (an ASCII
// byte that is the second half of a double-byte character does not count).
bool EndsWithCharacter(const std::string& text, char c);

// True when the last character of `text` is a backslash.
inline bool EndsInBackslash(const std::string& text) { return EndsWithCharacter(text, '\\'); }

}  // namespace tessera
