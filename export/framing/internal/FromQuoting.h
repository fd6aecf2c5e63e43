// mbox quoting of "From " lines: a reader splits an mbox at every line that
// starts with "From ", wherever it stands, so every such line of a message is
// quoted, in header blocks as in bodies.
#pragma once

#include <cstddef>

namespace tessera {

class MimePart;

// mboxrd quoting: true when the line, after any number of '>', begins with
// "from " in any case.
inline bool NeedsFromQuote(const char* text, size_t length) {
    size_t i = 0;
    while (i < length && text[i] == '>') ++i;
    if (length - i < 5 || (text[i] | 0x20) != 'f') return false;  // most lines stop here
    // ASCII letters only: 'R' and 'r' are the only bytes that give 'r' with 0x20 set.
    return (text[i + 1] | 0x20) == 'r' && (text[i + 2] | 0x20) == 'o' &&
           (text[i + 3] | 0x20) == 'm' && text[i + 4] == ' ';
}

// NeedsFromQuote for one line without its break, as a function to hand on.
bool LineNeedsFromQuote(const char* text, size_t length);

// Puts one '>' in front of every line of the whole tree that NeedsFromQuote:
// header blocks (the message's and every part's), bodies, preambles and
// epilogues, and every line within a folded header. A quoted line in a header
// block is read back whole by an mboxrd reader; a reader that does not unquote
// sees a line that is no header field, as it would have seen the "From " line.
void QuoteFromLines(MimePart& root);

}  // namespace tessera
