#include "host/MimeHeaderDecoder.h"

#include "export/charset/EncodedWordDecoder.h"
#include "export/text/AsciiText.h"

namespace tessera {
namespace {

bool IsAllBlank(std::string_view text) {
    for (char c : text) {
        if (!IsBlank(c)) return false;
    }
    return true;
}

}  // namespace

void AppendDecodedMimeHeader(std::string_view text, std::string& out) {
    out.reserve(out.size() + text.size());
    size_t pos = 0;
    bool afterWord = false;
    EncodedWord word;
    // The engine's scanner finds the words; a word whose payload does not
    // decode stays as written, and so does the blank in front of it.
    while (FindEncodedWord(text, pos, word)) {
        std::string_view gap = text.substr(pos, word.begin - pos);
        const size_t before = out.size();
        if (!(afterWord && IsAllBlank(gap))) out.append(gap);
        afterWord = AppendEncodedWordBytes(word, out);
        if (!afterWord) {
            out.resize(before);
            out.append(gap);
            out.append(text.substr(word.begin, word.end - word.begin));
        }
        pos = word.end;
    }
    out.append(text.substr(pos));
}

std::string DecodeMimeHeader(std::string_view text) {
    std::string out;
    AppendDecodedMimeHeader(text, out);
    return out;
}

}  // namespace tessera
