// A portable reader and writer of INI files with the platform reader's rules:
// case-insensitive section and key names, values trimmed of blanks, one pair
// of surrounding quotes removed, lines beginning with ';' ignored, CR LF lines.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tessera {

class IniFile {
  public:
    // Reads the file; a missing file leaves an empty document and returns false.
    bool Load(const std::string& path);
    void Parse(const std::string& text);

    std::optional<std::string> Get(const std::string& section, const std::string& key) const;
    // Replaces the key's value in place, or appends it (and the section) when absent.
    void Set(const std::string& section, const std::string& key, const std::string& value);

    std::string Text() const;
    bool Save(const std::string& path) const;

  private:
    struct Line {
        std::string raw;
        std::string section;  // section the line belongs to
        std::string key;      // empty unless a key=value line
    };
    std::vector<Line> lines_;
};

}  // namespace tessera
