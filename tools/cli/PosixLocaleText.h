// Text for a POSIX user: the locale's character set, and the export's
// Shift-JIS recoded into it.
#pragma once

#include <iconv.h>

#include <string>

namespace tessera {

// The locale's character set; UTF-8 when the locale names none (the C locale).
std::string LocaleCharset();

// Recodes Shift-JIS (CP932) into one character set, with one converter for
// many texts.
class ShiftJisRecoder {
  public:
    explicit ShiftJisRecoder(const std::string& charset);
    ~ShiftJisRecoder();
    ShiftJisRecoder(const ShiftJisRecoder&) = delete;
    ShiftJisRecoder& operator=(const ShiftJisRecoder&) = delete;

    // False when the system has no converter to that character set.
    bool Usable() const;
    // `text` recoded; each character that does not convert becomes `replacement`.
    // Unusable: `text` unchanged.
    std::string Recode(const std::string& text, char replacement);

  private:
    iconv_t cd_;
};

}  // namespace tessera
