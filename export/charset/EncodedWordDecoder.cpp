#include "export/charset/EncodedWordDecoder.h"

#include "export/charset/TransferDecoding.h"

namespace tessera {

namespace {

constexpr size_t npos = std::string_view::npos;

// Index of the '?' that ends the field starting at `from`, within `limit`;
// npos when a blank, a control byte or the limit comes first.
size_t FieldEnd(std::string_view text, size_t from, size_t limit) {
    for (size_t i = from; i < limit; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '?') return i;
        if (c <= 0x20 || c == 0x7F) return npos;
    }
    return npos;
}

// Reads the word at `start` (text[start..] is "=?"); false when malformed.
bool ReadWordAt(std::string_view text, size_t start, EncodedWord& word) {
    const size_t limit =
        text.size() - start > kMaxEncodedWordBytes ? start + kMaxEncodedWordBytes : text.size();
    const size_t charsetEnd = FieldEnd(text, start + 2, limit);
    if (charsetEnd == npos || charsetEnd == start + 2 || charsetEnd + 2 >= limit) return false;
    const char encoding = text[charsetEnd + 1];
    if (text[charsetEnd + 2] != '?') return false;
    if (encoding != 'B' && encoding != 'b' && encoding != 'Q' && encoding != 'q') return false;
    const size_t payloadStart = charsetEnd + 3;
    const size_t payloadEnd = FieldEnd(text, payloadStart, limit);
    if (payloadEnd == npos || payloadEnd + 1 >= limit || text[payloadEnd + 1] != '=') return false;
    std::string_view charset = text.substr(start + 2, charsetEnd - start - 2);
    charset = charset.substr(0, charset.find('*'));
    if (charset.empty()) return false;
    word.begin = start;
    word.end = payloadEnd + 2;
    word.charset = charset;
    word.encoding = encoding;
    word.payload = text.substr(payloadStart, payloadEnd - payloadStart);
    return true;
}

}  // namespace

bool FindEncodedWord(std::string_view text, size_t from, EncodedWord& word) {
    size_t start = text.find("=?", from);
    while (start != npos) {
        if (ReadWordAt(text, start, word)) return true;
        start = text.find("=?", start + 2);
    }
    return false;
}

bool AppendEncodedWordBytes(const EncodedWord& word, std::string& out) {
    if (word.encoding == 'B' || word.encoding == 'b') return AppendBase64Bytes(word.payload, out);
    return AppendQEncodedBytes(word.payload, out);
}

}  // namespace tessera
