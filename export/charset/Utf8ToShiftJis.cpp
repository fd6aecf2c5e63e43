#include "export/charset/Utf8ToShiftJis.h"

#include <cstdint>
#include <cstring>

#include "export/charset/internal/Cp932Table.h"

namespace tessera {

namespace {

constexpr uint32_t kCombiningVoicedMark = 0x3099;
constexpr uint32_t kCombiningSemiVoicedMark = 0x309A;

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The longest a character's output can be: "&#1114111;".
constexpr size_t kMaxCharacterBytes = 10;

// Writes the characters of one text into `out` behind a cursor, growing it as
// needed; remembers the last character written for the combining marks.
class Writer {
  public:
    Writer(Unmappable unmappable, std::string& out, size_t start, size_t expected)
        : unmappable_(unmappable), out_(out) {
        out_.resize(start + expected + kMaxCharacterBytes);
        dst_ = &out_[0] + start;
    }

    void Ascii(const char* p, size_t n, bool yenOrOverline) {
        Room(n);
        std::memcpy(dst_, p, n);
        dst_ += n;
        last_ = 0;
        extended_ = extended_ || yenOrOverline;
    }

    // A character of U+3000 to U+9FFF (kana, kanji, their punctuation) that
    // code page 932 writes in two bytes and that is no combining mark: most
    // characters of Japanese text, written without the general path's tests.
    bool CommonDoubleByte(uint32_t point) {
        const uint16_t code = Cp932Code(point);
        if (code <= 0xFF || point == kCombiningVoicedMark || point == kCombiningSemiVoicedMark)
            return false;
        Room(2);
        lastBytes_ = Code(code);
        last_ = point;
        return true;
    }

    void Character(uint32_t point) {
        Room(kMaxCharacterBytes);
        if ((point == kCombiningVoicedMark || point == kCombiningSemiVoicedMark) && Compose(point))
            return;
        const uint16_t code = Cp932Code(point);
        if (code != 0) {
            lastBytes_ = Code(code);
            last_ = point;
            return;
        }
        ++unmapped_;
        last_ = 0;
        if (unmappable_ == Unmappable::kUnderscore) {
            *dst_++ = '_';
        } else {
            Reference(point);
        }
    }

    // Cuts `out` to what was written.
    void Finish() { out_.resize(static_cast<size_t>(dst_ - out_.data())); }

    size_t Unmapped() const { return unmapped_; }

    ShiftJisRepertoire Repertoire() const { return RepertoireOf(eightBit_, extended_); }

  private:
    void Room(size_t n) {
        const size_t used = static_cast<size_t>(dst_ - out_.data());
        if (out_.size() - used >= n) return;
        out_.resize(2 * out_.size() + n);
        dst_ = &out_[0] + used;
    }

    size_t Code(uint16_t code) {
        eightBit_ = true;
        if (code > 0xFF) {
            const unsigned lead = code >> 8;
            extended_ = extended_ || !IsJisX0208Lead(lead);
            *dst_++ = static_cast<char>(lead);
            *dst_++ = static_cast<char>(code & 0xFF);
            return 2;
        }
        *dst_++ = static_cast<char>(code);
        return 1;
    }

    // Rows of JIS X 0208 (what every Shift_JIS reader decodes alike).
    static bool IsJisX0208Lead(unsigned lead) {
        return (lead >= 0x81 && lead <= 0x84) || (lead >= 0x88 && lead <= 0x9F) ||
               (lead >= 0xE0 && lead <= 0xEA);
    }

    void Reference(uint32_t point) {
        char digits[8];
        size_t n = 0;
        do {
            digits[n++] = static_cast<char>('0' + point % 10);
            point /= 10;
        } while (point != 0);
        *dst_++ = '&';
        *dst_++ = '#';
        while (n > 0) *dst_++ = digits[--n];
        *dst_++ = ';';
    }

    // Replaces the kana just written by its composed form.
    bool Compose(uint32_t mark) {
        const uint16_t code = last_ != 0 ? Cp932ComposedKana(last_, mark) : 0;
        if (code == 0) return false;
        dst_ -= lastBytes_;
        Code(code);
        last_ = 0;
        return true;
    }

    Unmappable unmappable_;
    std::string& out_;
    char* dst_;
    uint32_t last_ = 0;  // the last character written with a code, 0 after anything else
    size_t lastBytes_ = 0;
    size_t unmapped_ = 0;
    bool eightBit_ = false;
    bool extended_ = false;  // '\\', '~' or a code outside JIS X 0208
};

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighs = 0x8080808080808080ull;

// True when a byte of `word` (all of them below 0x80) equals `byte`.
bool HasByte(uint64_t word, unsigned char byte) {
    const uint64_t x = word ^ (kOnes * byte);
    return ((x - kOnes) & ~x & kHighs) != 0;
}

// Length of the 7-bit run at p; sets `yenOrOverline` when it holds '\\' or '~'.
size_t AsciiRun(const unsigned char* p, size_t avail, bool& yenOrOverline) {
    size_t n = 0;
    for (; n + 8 <= avail; n += 8) {  // eight bytes at a time
        uint64_t word;
        std::memcpy(&word, p + n, sizeof word);
        if (word & kHighs) break;
        yenOrOverline = yenOrOverline || HasByte(word, 0x5C) || HasByte(word, 0x7E);
    }
    for (; n < avail && p[n] < 0x80; ++n)
        yenOrOverline = yenOrOverline || p[n] == 0x5C || p[n] == 0x7E;
    return n;
}

}  // namespace

size_t DecodeUtf8Sequence(const unsigned char* p, size_t avail, uint32_t& point) {
    const unsigned char c = p[0];
    if (c >= 0xC2 && c <= 0xDF) {
        if (avail < 2 || !IsContinuation(p[1])) return 0;
        point = ((c & 0x1Fu) << 6) | (p[1] & 0x3Fu);
        return 2;
    }
    if (c >= 0xE0 && c <= 0xEF) {
        if (avail < 3 || !IsContinuation(p[1]) || !IsContinuation(p[2])) return 0;
        if (c == 0xE0 && p[1] < 0xA0) return 0;  // overlong
        if (c == 0xED && p[1] > 0x9F) return 0;  // surrogate
        point = ((c & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (avail < 4 || !IsContinuation(p[1]) || !IsContinuation(p[2]) || !IsContinuation(p[3])) {
            return 0;
        }
        if (c == 0xF0 && p[1] < 0x90) return 0;  // overlong
        if (c == 0xF4 && p[1] > 0x8F) return 0;  // beyond U+10FFFF
        point =
            ((c & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12) | ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu);
        return 4;
    }
    return 0;
}

bool IsWellFormedUtf8(std::string_view text) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    size_t left = text.size();
    while (left > 0) {
        if (*p < 0x80) {
            ++p;
            --left;
            continue;
        }
        uint32_t point = 0;
        const size_t n = DecodeUtf8Sequence(p, left, point);
        if (n == 0) return false;
        p += n;
        left -= n;
    }
    return true;
}

bool AppendUtf8AsShiftJis(std::string_view utf8, Unmappable unmappable, std::string& out,
                          size_t* unmapped, ShiftJisRepertoire* repertoire) {
    const size_t start = out.size();
    Writer writer(unmappable, out, start, utf8.size());
    const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8.data());
    size_t left = utf8.size();
    while (left > 0) {
        if (left >= 3 && p[0] >= 0xE3 && p[0] <= 0xE9 && IsContinuation(p[1]) &&
            IsContinuation(p[2])) {
            // Lead bytes E3 to E9 have neither overlong forms nor surrogates.
            const uint32_t point = ((p[0] & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
            if (writer.CommonDoubleByte(point)) {
                p += 3;
                left -= 3;
                continue;
            }
        }
        bool yenOrOverline = false;
        const size_t ascii = AsciiRun(p, left, yenOrOverline);
        if (ascii > 0) {
            writer.Ascii(reinterpret_cast<const char*>(p), ascii, yenOrOverline);
            p += ascii;
            left -= ascii;
            continue;
        }
        uint32_t point = 0;
        const size_t n = DecodeUtf8Sequence(p, left, point);
        if (n == 0) {
            out.resize(start);
            return false;
        }
        writer.Character(point);
        p += n;
        left -= n;
    }
    writer.Finish();
    if (unmapped != nullptr) *unmapped += writer.Unmapped();
    if (repertoire != nullptr) *repertoire = writer.Repertoire();
    return true;
}

bool AppendCharacterAsShiftJis(uint32_t point, Unmappable unmappable, std::string& out) {
    if (point < 0x80) {
        out.push_back(static_cast<char>(point));
        return true;
    }
    Writer writer(unmappable, out, out.size(), 0);
    writer.Character(point);
    writer.Finish();
    return writer.Unmapped() == 0;
}

}  // namespace tessera
