// Text for the user of this system: its character set (the locale's on POSIX,
// the ANSI code page on Windows), and the export's Shift-JIS (or the string
// table's UTF-8) recoded into it. Twins: LocaleText_posix.cpp, LocaleText_win.cpp.
#pragma once

#include <cstddef>
#include <string>

namespace tessera {

// The system's character set; on POSIX UTF-8 when the locale names none (the C locale).
std::string LocaleCharset();

// The character set file names are written in when UTF-8 is asked for them:
// UTF-8 on POSIX, where a name is bytes; the ANSI code page on Windows, through
// which the system keeps every name in Unicode.
std::string Utf8NameCharset();

// Recodes text from Shift-JIS (CP932), UTF-8 or the system's own set (what
// the user types) into one character set, with one converter for many texts.
class TextRecoder {
  public:
    enum class From { ShiftJis, Utf8, Locale };
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
    void* converter_;  // the system's converter; null when there is none
};

}  // namespace tessera
