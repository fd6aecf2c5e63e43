// RFC 2047 encoded words ("=?charset?B?...?=", "=?charset?Q?...?=") in header text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tessera {

// Longest encoded word read as one (RFC 2047 allows 75 bytes; mailers write
// longer ones). Anything longer is damaged input and stays as written.
constexpr size_t kMaxEncodedWordBytes = 2048;

// One encoded word of a text: where it is and its fields.
struct EncodedWord {
    size_t begin = 0;          // at "=?"
    size_t end = 0;            // after "?="
    std::string_view charset;  // RFC 2231 language suffix ("*ja") removed
    char encoding = 0;         // 'B' or 'Q' as written (either case)
    std::string_view payload;
};

// Finds the first well-formed encoded word at or after `from`: charset and
// payload without blanks or controls, encoding B or Q, at most
// kMaxEncodedWordBytes long. False when there is none. Linear in the text.
bool FindEncodedWord(std::string_view text, size_t from, EncodedWord& word);

// Appends the bytes the word's payload encodes to `out`; false, with `out` as
// it was, when the payload is not valid base64 or Q encoding.
bool AppendEncodedWordBytes(const EncodedWord& word, std::string& out);

}  // namespace tessera
