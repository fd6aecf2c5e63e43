// What charset text is in when its label is missing or lies.
#pragma once

#include <string_view>

#include "export/charset/CharsetLabel.h"

namespace tessera {

// True when the text designates a two-byte set or kana the ISO-2022-JP way
// (ESC $ B, ESC $ @, ESC $ A, ESC $ ( B/C/D/O/P/Q, ESC ( I).
bool HasIso2022JpEscape(std::string_view text);

// True when any byte is 0x80 or above.
bool HasEightBitByte(std::string_view text);

// True when the text has 8-bit bytes and all of them form EUC-JP characters
// (two bytes 0xA1-0xFE, SS2 + kana, SS3 + two bytes).
bool IsEucJpText(std::string_view text);

// The charset of text that carries no label, by its 8-bit bytes: kNone for
// 7-bit text. Well-formed UTF-8 is UTF-8. Else EUC-JP or Shift-JIS, whichever
// the bytes form characters of; where both do, the reading with the higher
// score, a tie to EUC-JP: each kana, JIS row 1 symbol or first-level kanji
// counts one up, each half-width katakana (and in EUC-JP each three-byte
// code) one down. A reading without a single kana, symbol or first-level
// kanji is no Japanese text (Latin-1 often forms Shift-JIS): kNone.
JapaneseCharset GuessJapaneseCharset(std::string_view text);

// The charset `text` labelled `declared` is really in, for the labels that are
// known to lie, or kNone when it is well-formed in none of them (damaged text,
// left as it is): ISO-2022-JP text with 8-bit bytes and no escape sequence is
// UTF-8, EUC-JP or Shift-JIS when it is well-formed as one of them (tried in
// that order); EUC-JP text
// that is not EUC-JP may be UTF-8. kNone when the text is well-formed in none
// (damaged text, left as it is).
JapaneseCharset ResolveJapaneseCharset(JapaneseCharset declared, std::string_view text);

}  // namespace tessera
