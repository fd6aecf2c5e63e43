#include "export/charset/JisDecoder.h"

#include <cstdint>
#include <cstring>

#include "export/charset/ShiftJisToUtf8.h"
#include "export/charset/internal/Cp932Table.h"
#include "export/charset/internal/JisTables.h"
#include "export/text/ByteScan.h"

namespace tessera {

namespace {

constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kShiftOut = 0x0E;
constexpr unsigned char kShiftIn = 0x0F;
constexpr unsigned char kSingleShift2 = 0x8E;
constexpr unsigned char kSingleShift3 = 0x8F;

bool IsJisByte(unsigned char c) { return c >= 0x21 && c <= 0x7E; }
bool IsEucByte(unsigned char c) { return c >= 0xA1 && c <= 0xFE; }

// What G0 holds in ISO-2022-JP text.
enum class Mode : uint8_t { kAscii, kKana, kJisX0208, kOtherSet };

struct Designation {
    size_t length = 0;  // bytes after ESC; 0: not known
    Mode mode = Mode::kAscii;
    JisSet set = JisSet::kJisX0212;
    char g2 = 0;        // 'A' (ISO 8859-1) or 'F' (ISO 8859-7) for a G2 designation
    bool keep = false;  // ESC & @: announces a revision, designates nothing
};

Designation ReadDesignation(std::string_view rest) {
    Designation d;
    auto is = [&](const char* sequence) {
        const size_t n = std::strlen(sequence);
        if (rest.compare(0, n, sequence) != 0) return false;
        d.length = n;
        return true;
    };
    if (is("(B") || is("(J") || is("(H")) return d;
    if (is("(I")) {
        d.mode = Mode::kKana;
    } else if (is("$@") || is("$B") || is("$(@") || is("$(B")) {
        d.mode = Mode::kJisX0208;
    } else if (is("&@")) {
        d.keep = true;
    } else if (is(".A") || is(".F")) {
        d.g2 = rest[1];
        d.keep = true;
    } else {
        d.mode = Mode::kOtherSet;
        if (is("$(D")) {
            d.set = JisSet::kJisX0212;
        } else if (is("$(O") || is("$(Q")) {
            d.set = JisSet::kJisX0213Plane1;
        } else if (is("$(P")) {
            d.set = JisSet::kJisX0213Plane2;
        } else if (is("$A")) {
            d.set = JisSet::kGb2312;
        } else if (is("$(C")) {
            d.set = JisSet::kKsX1001;
        }
    }
    return d;
}

// A cell of `set` through `writer`: JIS X 0208 by its own rule, the other sets
// by their characters; false for a cell no set defines.
template <class Writer>
bool WriteCell(Writer& writer, JisSet set, unsigned char row, unsigned char cell) {
    const JisCell found = LookUpJisCell(set, row, cell);
    if (found.jisX0208) return writer.JisX0208(row, cell);
    if (found.count == 0) return false;
    for (size_t i = 0; i < found.count; ++i) writer.Character(found.points[i]);
    return true;
}

// Writes characters behind `out` as Shift-JIS, counting the unmapped ones.
class ShiftJisWriter {
  public:
    ShiftJisWriter(Unmappable unmappable, std::string& out) : unmappable_(unmappable), out_(out) {}

    bool Byte(unsigned char c) {
        out_.push_back(static_cast<char>(c));
        return true;
    }

    bool JisX0208(unsigned char row, unsigned char cell) {
        char pair[2];
        JisToShiftJis(row, cell, pair);
        if (!IsCp932DoubleByte(static_cast<unsigned char>(pair[0]),
                               static_cast<unsigned char>(pair[1])))
            return false;  // a cell no set defines: damaged text
        out_.append(pair, 2);
        return true;
    }

    bool Cell(JisSet set, unsigned char row, unsigned char cell) {
        return WriteCell(*this, set, row, cell);
    }

    void Character(uint32_t point) {
        if (!AppendCharacterAsShiftJis(point, unmappable_, out_)) ++unmapped_;
    }

    size_t Unmapped() const { return unmapped_; }

  private:
    Unmappable unmappable_;
    std::string& out_;
    size_t unmapped_ = 0;
};

// Writes characters behind `out` as UTF-8: every one has a code. JIS X 0208
// decodes as code page 932 decodes its Shift-JIS code, as the host's
// converters do, and a cell it leaves empty (a carrier's emoji) becomes
// kReplacementCharacter, counted, where the host's bytes would stay; an 8-bit
// byte that is no half-width katakana is damage.
class Utf8Writer {
  public:
    explicit Utf8Writer(std::string& out) : out_(out) {}

    bool Byte(unsigned char c) {
        if (c < 0x80) {
            out_.push_back(static_cast<char>(c));
        } else if (c >= 0xA1 && c <= 0xDF) {
            AppendCharacterAsUtf8(0xFF61 + (c - 0xA1u), out_);
        } else {
            return false;
        }
        return true;
    }

    bool JisX0208(unsigned char row, unsigned char cell) {
        char pair[2];
        JisToShiftJis(row, cell, pair);
        uint32_t point = Cp932DoubleByteCharacter(static_cast<unsigned char>(pair[0]),
                                                  static_cast<unsigned char>(pair[1]));
        if (point == 0) {
            point = kReplacementCharacter;
            ++undefined_;
        }
        AppendCharacterAsUtf8(point, out_);
        return true;
    }

    bool Cell(JisSet set, unsigned char row, unsigned char cell) {
        return WriteCell(*this, set, row, cell);
    }

    void Character(uint32_t point) { AppendCharacterAsUtf8(point, out_); }

    size_t Undefined() const { return undefined_; }

  private:
    std::string& out_;
    size_t undefined_ = 0;
};

template <typename Writer>
class Iso2022JpDecoder {
  public:
    explicit Iso2022JpDecoder(Writer& writer) : writer_(writer) {}

    bool Run(std::string_view text) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
        const unsigned char* const end = p + text.size();
        while (p < end) {
            const unsigned char c = *p;
            if (c == '\r' || c == '\n') {
                writer_.Byte(c);  // ASCII: never refused
                Reset();          // a character never spans lines
                ++p;
            } else if (c == kEsc) {
                const std::string_view rest(reinterpret_cast<const char*>(p + 1),
                                            static_cast<size_t>(end - p - 1));
                if (!rest.empty() && rest[0] == 'N') {
                    if (rest.size() < 2 || !SingleShift(static_cast<unsigned char>(rest[1])))
                        return false;
                    p += 3;
                    continue;
                }
                const Designation d = ReadDesignation(rest);
                if (d.length == 0) return false;
                if (d.g2 != 0) g2_ = d.g2;
                if (!d.keep) {
                    mode_ = d.mode;
                    set_ = d.set;
                    shifted_ = false;
                }
                p += 1 + d.length;
            } else if (c == kShiftOut || c == kShiftIn) {
                Shift(c == kShiftOut);
                ++p;
            } else if ((mode_ == Mode::kJisX0208 || mode_ == Mode::kOtherSet) && end - p >= 2 &&
                       IsJisByte(c) && IsJisByte(p[1])) {
                const bool ok = mode_ == Mode::kJisX0208 ? writer_.JisX0208(c, p[1])
                                                         : writer_.Cell(set_, c, p[1]);
                if (!ok) return false;
                p += 2;
            } else {
                // Kana in 7 bits; anything else (space, a lone byte) as it is.
                if (!writer_.Byte(mode_ == Mode::kKana && c >= 0x21 && c <= 0x5F ? c + 0x80 : c))
                    return false;
                ++p;
            }
        }
        return true;
    }

  private:
    void Reset() {
        mode_ = beforeShift_ = Mode::kAscii;
        g2_ = 0;
        shifted_ = false;
    }

    bool SingleShift(unsigned char c) {
        if (c < 0x20 || c > 0x7F || g2_ == 0) return false;
        const unsigned char high = c | 0x80;
        const uint32_t point = g2_ == 'A' ? high : GreekUpperHalf(high);
        if (point == 0) return false;
        writer_.Character(point);
        return true;
    }

    void Shift(bool out) {
        if (out && !shifted_) {
            beforeShift_ = mode_;
            mode_ = Mode::kKana;
            shifted_ = true;
        } else if (!out && shifted_) {
            mode_ = beforeShift_;
            shifted_ = false;
        }
    }

    Writer& writer_;
    Mode mode_ = Mode::kAscii;
    Mode beforeShift_ = Mode::kAscii;
    JisSet set_ = JisSet::kJisX0212;
    char g2_ = 0;
    bool shifted_ = false;
};

template <typename Writer>
bool DecodeEucJp(std::string_view text, Writer& writer) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* const end = p + text.size();
    while (p < end) {
        const unsigned char c = *p;
        const size_t avail = static_cast<size_t>(end - p);
        if (c < 0x80) {
            writer.Byte(c);  // ASCII: never refused
            ++p;
        } else if (IsEucByte(c) && avail >= 2 && IsEucByte(p[1])) {
            if (!writer.JisX0208(c - 0x80, p[1] - 0x80)) return false;
            p += 2;
        } else if (c == kSingleShift2 && avail >= 2 && p[1] >= 0xA1 && p[1] <= 0xDF) {
            writer.Byte(p[1]);  // half-width katakana: never refused
            p += 2;
        } else if (c == kSingleShift3 && avail >= 3 && IsEucByte(p[1]) && IsEucByte(p[2])) {
            if (!writer.Cell(JisSet::kJisX0212, p[1] - 0x80, p[2] - 0x80)) return false;
            p += 3;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

bool NeedsOwnJisDecoding(JapaneseCharset charset, std::string_view line) {
    if (charset == JapaneseCharset::kEucJp)
        return FindByte(line.data(), line.data() + line.size(), kSingleShift3) != nullptr;
    if (charset != JapaneseCharset::kIso2022Jp) return false;
    const char* const end = line.data() + line.size();
    for (const char* escape = FindByte(line.data(), end, '\x1b'); escape != nullptr;
         escape = FindByte(escape + 1, end, '\x1b')) {
        const size_t at = static_cast<size_t>(escape - line.data());
        // The sequences of nearly every line first: ESC ( x, ESC $ B, ESC $ @.
        const char next = at + 1 < line.size() ? line[at + 1] : '\0';
        const char after = at + 2 < line.size() ? line[at + 2] : '\0';
        if (next == '(' || (next == '$' && (after == 'B' || after == '@'))) continue;
        const Designation d = ReadDesignation(line.substr(at + 1));
        // What the host maps: ASCII, JIS X 0201, JIS X 0208. A sequence
        // nobody knows stays the host's too: it refuses the line as damaged.
        if (d.length != 0 && (d.mode == Mode::kOtherSet || d.g2 != 0)) return true;
        if (line.compare(at + 1, 1, "N") == 0) return true;
    }
    return false;
}

bool AppendJisAsShiftJis(JapaneseCharset charset, std::string_view text, Unmappable unmappable,
                         std::string& out, size_t* unmapped) {
    const size_t start = out.size();
    ShiftJisWriter writer(unmappable, out);
    bool ok = false;
    if (charset == JapaneseCharset::kIso2022Jp) {
        ok = Iso2022JpDecoder<ShiftJisWriter>(writer).Run(text);
    } else if (charset == JapaneseCharset::kEucJp) {
        ok = DecodeEucJp(text, writer);
    }
    // Refused: a character Shift-JIS lacks fails the text (an address keeps its words as written).
    if (!ok || (unmappable == Unmappable::kRefuse && writer.Unmapped() > 0)) {
        out.resize(start);
        return false;
    }
    if (unmapped != nullptr) *unmapped += writer.Unmapped();
    return true;
}

bool AppendJisAsUtf8(JapaneseCharset charset, std::string_view text, std::string& out,
                     size_t* undefined) {
    const size_t start = out.size();
    Utf8Writer writer(out);
    bool ok = false;
    if (charset == JapaneseCharset::kIso2022Jp) {
        ok = Iso2022JpDecoder<Utf8Writer>(writer).Run(text);
    } else if (charset == JapaneseCharset::kEucJp) {
        ok = DecodeEucJp(text, writer);
    }
    if (!ok) out.resize(start);
    if (ok && undefined != nullptr) *undefined += writer.Undefined();
    return ok;
}

}  // namespace tessera
