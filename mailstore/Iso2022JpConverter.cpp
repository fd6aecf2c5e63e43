#include "mailstore/Iso2022JpConverter.h"

#include "mailstore/JisCode.h"

namespace tessera {
namespace {

constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kShiftOut = 0x0E;
constexpr unsigned char kShiftIn = 0x0F;

enum class Charset { Ascii, Kana, Jis0208, Jis0212, Unchanged };

// The charset an escape sequence designates; rest is what follows ESC.
// Sets length to the bytes after ESC; Charset::Unchanged with length 0 means
// the sequence is not understood. JIS C 6226 / X 0208 (ESC $ @, ESC $ B and
// their long forms) and the first plane of X 0213, a superset, share the
// row/cell arithmetic. X 0212 and the second X 0213 plane have no Shift-JIS
// form. ESC & @ only announces a revision of X 0208.
Charset ParseDesignation(const unsigned char* rest, size_t avail, size_t& length) {
    length = 0;
    if (avail >= 2 && rest[0] == '(') {
        length = 2;
        switch (rest[1]) {
            case 'B':
            case 'J':
            case 'H':
                return Charset::Ascii;
            case 'I':
                return Charset::Kana;
        }
    } else if (avail >= 2 && rest[0] == '$' && (rest[1] == '@' || rest[1] == 'B')) {
        length = 2;
        return Charset::Jis0208;
    } else if (avail >= 3 && rest[0] == '$' && rest[1] == '(') {
        length = 3;
        switch (rest[2]) {
            case '@':
            case 'B':
            case 'O':
            case 'Q':
                return Charset::Jis0208;
            case 'D':
            case 'P':
                return Charset::Jis0212;
        }
    } else if (avail >= 2 && rest[0] == '&' && rest[1] == '@') {
        length = 2;
        return Charset::Unchanged;
    }
    length = 0;
    return Charset::Unchanged;
}

bool IsLineBreak(unsigned char c) { return c == '\r' || c == '\n'; }

class Decoder {
  public:
    Decoder(std::string_view text, char* dst)
        : p_(reinterpret_cast<const unsigned char*>(text.data())),
          end_(p_ + text.size()),
          dst_(dst) {}

    char* Run() {
        while (p_ < end_) {
            if (charset_ == Charset::Ascii) {
                CopyAsciiRun();
                continue;
            }
            if (charset_ != Charset::Kana) {
                ConvertPairRun();
                if (p_ == end_) {
                    break;
                }
            }
            if (!TakeControl()) {
                TakeCharacter();
            }
        }
        return dst_;
    }

  private:
    void Emit(unsigned char c) { *dst_++ = static_cast<char>(c); }

    // Single-byte mode: everything but ESC, SO and SI is copied as it is.
    void CopyAsciiRun() {
        while (p_ < end_) {
            unsigned char c = *p_;
            if (c <= kEsc && (c == kEsc || c == kShiftOut || c == kShiftIn)) {
                TakeControl();
                return;
            }
            Emit(c);
            ++p_;
        }
    }

    // ESC sequences, SO/SI and line breaks; false when *p_ is none of them.
    bool TakeControl() {
        unsigned char c = *p_;
        if (IsLineBreak(c)) {
            Emit(c);
            ++p_;
            charset_ = Charset::Ascii;  // a character never spans lines
            shifted_ = false;
            return true;
        }
        if (c == kShiftOut || c == kShiftIn) {
            Shift(c == kShiftOut);
            ++p_;
            return true;
        }
        if (c != kEsc) {
            return false;
        }
        if (!TakeDesignation()) {
            Emit(c);  // unknown or cut-off sequence: keep its bytes
            ++p_;
        }
        return true;
    }

    void Shift(bool out) {
        if (out && !shifted_) {
            beforeShift_ = charset_;
            charset_ = Charset::Kana;
            shifted_ = true;
        } else if (!out && shifted_) {
            charset_ = beforeShift_;
            shifted_ = false;
        }
    }

    bool TakeDesignation() {
        size_t length = 0;
        Charset charset = ParseDesignation(p_ + 1, static_cast<size_t>(end_ - p_ - 1), length);
        if (length == 0) {
            return false;
        }
        p_ += 1 + length;
        if (charset != Charset::Unchanged) {
            charset_ = charset;
            shifted_ = false;
        }
        return true;
    }

    // The bulk of two-byte text: whole characters until anything else.
    void ConvertPairRun() {
        bool known = charset_ == Charset::Jis0208;
        while (end_ - p_ >= 2 && IsJisByte(p_[0]) && IsJisByte(p_[1])) {
            if (known) {
                JisToShiftJis(p_[0], p_[1], dst_);
            } else {
                dst_[0] = kGetaMark[0];
                dst_[1] = kGetaMark[1];
            }
            dst_ += 2;
            p_ += 2;
        }
    }

    // One byte that is not a control and, in two-byte mode, does not start a
    // character (space, 8-bit, a lone last byte): kept as it is.
    void TakeCharacter() {
        unsigned char c = *p_++;
        bool kana = charset_ == Charset::Kana && c >= 0x21 && c <= 0x5F;
        Emit(kana ? c + 0x80 : c);
    }

    const unsigned char* p_;
    const unsigned char* end_;
    char* dst_;
    Charset charset_ = Charset::Ascii;
    Charset beforeShift_ = Charset::Ascii;
    bool shifted_ = false;
};

bool HasShiftOrEscape(std::string_view text) {
    for (char ch : text) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c <= kEsc && (c == kEsc || c == kShiftOut || c == kShiftIn)) {
            return true;
        }
    }
    return false;
}

}  // namespace

void AppendIso2022JpAsShiftJis(std::string_view text, std::string& out) {
    if (!HasShiftOrEscape(text)) {
        out.append(text);
        return;
    }
    // Every step writes at most as many bytes as it reads.
    size_t base = out.size();
    out.resize(base + text.size());
    char* end = Decoder(text, &out[base]).Run();
    out.resize(static_cast<size_t>(end - out.data()));
}

std::string Iso2022JpToShiftJis(std::string_view text) {
    std::string out;
    AppendIso2022JpAsShiftJis(text, out);
    return out;
}

}  // namespace tessera
