// UTF-8 text written as RFC 2047 encoded words ("=?UTF-8?B?...?="): raw UTF-8
// names in Shift-JIS exports, and every converted header of an export to UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace tessera {

// Appends `utf8` as B words of at most 45 bytes (72 characters), cut between
// characters and parted by a space; its line breaks (folds) are left out. With a `lineBreak`, lines
// are folded with it: each word is as long as the line has room for within column 76, and goes on a
// new line when that would be under three characters.
void AppendEncodedWords(std::string_view utf8, std::string& out, std::string_view lineBreak = {});

// The line break a header line folds with: its own, LF or (the default) CR LF.
std::string_view LineBreakOf(std::string_view line);

// Writes a whole header line (name, colon, value, its line break) of UTF-8
// text into `out` with every blank-separated token that holds an 8-bit byte
// made words: the blanks between two such tokens go inside the words
// (a reader drops blanks between words), the rest stays as it was. The
// header's own line break folds the words.
void WriteHeaderLineAsWords(std::string_view line, std::string& out);

}  // namespace tessera
