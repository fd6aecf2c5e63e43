#include "export/conversion/HeaderTextConversion.h"

#include "export/charset/CharsetLabel.h"
#include "export/charset/CharsetSniffing.h"
#include "export/charset/EncodedWordDecoder.h"
#include "export/conversion/ShiftJisConverter.h"
#include "export/text/AsciiText.h"

namespace tessera {

namespace {

bool IsFoldingSpace(std::string_view gap) {
    for (char c : gap) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
    }
    return true;
}

// A line break (CR LF, CR or LF) or NUL that a word decodes to would end or
// cut the header: each becomes a space, after the words are joined, so that
// a character split across two words still comes out whole.
void BlankLineBreaks(std::string& bytes) {
    if (bytes.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos) return;
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;  // one space
        out.push_back(c == '\r' || c == '\n' || c == '\0' ? ' ' : c);
    }
    bytes.swap(out);
}

// The charset the decoded bytes of a word labelled `label` are converted from.
JapaneseCharset WordCharset(std::string_view label, std::string_view bytes) {
    if (IsUsAsciiLabel(label)) {
        return HasEightBitByte(bytes) ? JapaneseCharset::kNone : JapaneseCharset::kShiftJis;
    }
    const JapaneseCharset declared = IdentifyJapaneseCharset(label);
    return declared == JapaneseCharset::kNone ? declared : ResolveJapaneseCharset(declared, bytes);
}

// Builds the converted text: literal runs and groups of adjacent decoded words.
class HeaderWriter {
  public:
    HeaderWriter(std::string_view text, ShiftJisConverter& converter, Unmappable unmappable,
                 std::string& out)
        : text_(text), converter_(converter), unmappable_(unmappable), out_(out) {}

    void Run() {
        size_t pos = 0;
        EncodedWord word;
        while (FindEncodedWord(text_, pos, word)) {
            Word(word, text_.substr(pos, word.begin - pos));
            pos = word.end;
        }
        Flush();
        Literal(text_.substr(pos));
    }

  private:
    void Word(const EncodedWord& word, std::string_view gap) {
        std::string bytes;
        const bool decoded = AppendEncodedWordBytes(word, bytes);
        const bool adjacent = open_ && IsFoldingSpace(gap);
        if (decoded && adjacent && EqualsIgnoreCase(word.charset, charset_)) {
            bytes_ += bytes;
            groupEnd_ = word.end;
            return;
        }
        // White space between two words goes only when both are converted.
        const bool gapMayGo = adjacent && Flush();
        if (!adjacent) Flush();
        if (!decoded) {
            Literal(gap);
            out_.append(text_.data() + word.begin, word.end - word.begin);
            return;
        }
        open_ = true;
        gap_ = gap;
        gapMayGo_ = gapMayGo;
        charset_ = word.charset;
        bytes_ = std::move(bytes);
        groupBegin_ = word.begin;
        groupEnd_ = word.end;
    }

    // Writes the open group (after the text before it) converted, or as written
    // when it cannot be; returns whether it was converted (true when none is open).
    bool Flush() {
        if (!open_) return true;
        open_ = false;
        converted_.clear();
        BlankLineBreaks(bytes_);
        const JapaneseCharset charset = WordCharset(charset_, bytes_);
        const bool ok = charset != JapaneseCharset::kNone &&
                        converter_.Append(charset, bytes_, unmappable_, converted_);
        if (!ok || !gapMayGo_) Literal(gap_);
        if (ok) {
            out_ += converted_;
        } else {
            out_.append(text_.data() + groupBegin_, groupEnd_ - groupBegin_);
        }
        return ok;
    }

    void Literal(std::string_view literal) {
        // Raw header text carries no label: escapes, else what its 8-bit bytes are.
        const JapaneseCharset charset = HasIso2022JpEscape(literal) ? JapaneseCharset::kIso2022Jp
                                                                    : GuessJapaneseCharset(literal);
        if (charset != JapaneseCharset::kNone &&
            converter_.Append(charset, literal, unmappable_, out_))
            return;
        out_.append(literal.data(), literal.size());
    }

    std::string_view text_;
    ShiftJisConverter& converter_;
    Unmappable unmappable_;
    std::string& out_;
    bool open_ = false;
    std::string_view gap_;  // the text between the group and what came before it
    bool gapMayGo_ = false;
    std::string_view charset_;
    std::string converted_;
    std::string bytes_;
    size_t groupBegin_ = 0;
    size_t groupEnd_ = 0;
};

}  // namespace

bool ConvertHeaderText(std::string_view text, ShiftJisConverter& converter, Unmappable unmappable,
                       std::string& out) {
    out.clear();
    out.reserve(text.size());
    HeaderWriter(text, converter, unmappable, out).Run();
    return out != text;
}

}  // namespace tessera
