// Text for a POSIX user: the locale's character set, and the export's
// Shift-JIS (or the string table's UTF-8) recoded into it.
#pragma once

#include <iconv.h>

#include <string>

namespace tessera {

// The locale's character set; UTF-8 when the locale names none (the C locale).
std::string LocaleCharset();

// Recodes text from Shift-JIS (CP932) or UTF-8 into one character set, with
// one converter for many texts.
class TextRecoder {
  public:
    enum class From { ShiftJis, Utf8 };
    TextRecoder(From from, const std::string& to);
    ~TextRecoder();
    TextRecoder(const TextRecoder&) = delete;
    TextRecoder& operator=(const TextRecoder&) = delete;

    // False when the system has no converter for the pair.
    bool Usable() const;
    // `text` recoded; each character that does not convert becomes `replacement`.
    // Unusable: `text` unchanged.
    std::string Recode(const std::string& text, char replacement);

  private:
    // Bytes of the source character starting at `p` (`left` bytes remain).
    size_t CharacterWidth(const char* p, size_t left) const;

    From from_;
    iconv_t cd_;
};

}  // namespace tessera
