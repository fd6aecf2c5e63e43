#include "host/MimeHeaderDecoder.h"

#include "export/TransferDecoding.h"
#include "host/Base64.h"

namespace tessera {
namespace {

constexpr size_t npos = std::string_view::npos;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsAllBlank(std::string_view text) {
    for (char c : text) {
        if (!IsBlank(c)) {
            return false;
        }
    }
    return true;
}

// Index of the '?' that ends the field starting at from; npos when a blank,
// control byte or the end of the text comes first. Scanning stops at the first
// '?', so a header full of broken words is still read in linear time.
size_t FindFieldEnd(std::string_view text, size_t from) {
    for (size_t i = from; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '?') {
            return i;
        }
        if (c <= 0x20 || c == 0x7F) {
            return npos;
        }
    }
    return npos;
}

bool DecodePayload(char encoding, std::string_view payload, std::string& out) {
    if (encoding == 'B' || encoding == 'b') {
        return AppendBase64Decoded(payload, out);
    }
    if (encoding == 'Q' || encoding == 'q') {
        return AppendQEncodedBytes(payload, out);
    }
    return false;
}

// Decodes the encoded word "=?charset?X?text?=" that starts at start and
// appends its bytes to out. Returns the index just past it, or npos (out
// unchanged) when it is malformed.
size_t DecodeWordAt(std::string_view text, size_t start, std::string& out) {
    size_t charsetEnd = FindFieldEnd(text, start + 2);
    if (charsetEnd == npos || charsetEnd == start + 2) {
        return npos;
    }
    size_t payloadStart = charsetEnd + 3;
    if (payloadStart > text.size() || text[payloadStart - 1] != '?') {
        return npos;
    }
    size_t payloadEnd = FindFieldEnd(text, payloadStart);
    if (payloadEnd == npos || payloadEnd + 1 >= text.size() || text[payloadEnd + 1] != '=') {
        return npos;
    }
    std::string_view payload = text.substr(payloadStart, payloadEnd - payloadStart);
    if (!DecodePayload(text[charsetEnd + 1], payload, out)) {
        return npos;
    }
    return payloadEnd + 2;
}

}  // namespace

void AppendDecodedMimeHeader(std::string_view text, std::string& out) {
    out.reserve(out.size() + text.size());
    size_t pos = 0;
    bool afterWord = false;
    for (;;) {
        size_t start = text.find("=?", pos);
        if (start == npos) {
            out.append(text.substr(pos));
            return;
        }
        std::string_view gap = text.substr(pos, start - pos);
        bool dropGap = afterWord && IsAllBlank(gap);
        if (!dropGap) {
            out.append(gap);
        }
        size_t end = DecodeWordAt(text, start, out);
        afterWord = end != npos;
        if (afterWord) {
            pos = end;
            continue;
        }
        if (dropGap) {
            out.append(gap);
        }
        out.append("=?");
        pos = start + 2;
    }
}

std::string DecodeMimeHeader(std::string_view text) {
    std::string out;
    AppendDecodedMimeHeader(text, out);
    return out;
}

}  // namespace tessera
