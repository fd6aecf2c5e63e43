// How an mbox file frames and quotes its messages, as Tessera reads one.
//
// Framing, as Python's mailbox reads it: every line that starts with "From "
// is an envelope line and begins a message; one blank line right in front of
// an envelope line, or at the end of the file, is framing, not text.
//
// Quoting depends on who wrote the message, and its envelope line tells:
// - Tessera's writer gives the line exactly the shape "From ", one word, ' ',
//   "Www Mmm dd HH:MM:SS yyyy", CR LF, the day always two digits. Elsewhere
//   (asctime) a day below 10 is padded with a blank, the line ends in LF
//   alone, a time zone or "remote from" follows. Tessera quotes every line
//   that is "from " in any case after any run of '>', so such lines lose one
//   '>' on reading, whatever the case.
// - Any other writer is read as mboxrd: one '>' comes off ">From ", ">>From "...
// A CR LF envelope line of another writer dated on a day from 10 to 31 looks
// like Tessera's; its lines such as ">from x" then lose a '>' as well.
#pragma once

#include <cstddef>
#include <string>

namespace tessera {

// True when the line starts with "From ".
bool IsEnvelopeLine(const char* line, size_t length);

// True for a line that is nothing but its line break ("\n" or "\r\n").
bool IsBlankLine(const char* line, size_t length);

// True when the envelope line (its line break included) has the shape only
// Tessera's writer gives it.
bool IsTesseraEnvelopeLine(const char* line, size_t length);

// Undoes "From " quoting in place and returns the new length. A line of one
// or more '>' followed by "From " loses one '>'; with `anyCase` (a message
// Tessera wrote) also one followed by "from " in any case.
size_t UnquoteFromLines(char* text, size_t length, bool anyCase);
std::string UnquoteFromLines(std::string text, bool anyCase);
// The same while copying `length` bytes of `text` to `out` (at or before
// `text`, or apart from it): the text is read once. Returns the length written.
size_t CopyUnquoted(const char* text, size_t length, char* out, bool anyCase);

}  // namespace tessera
