#include "settings/IniFile.h"

#include <cstdio>

#include "export/text/AsciiText.h"

namespace tessera {

namespace {

std::string Trim(const std::string& s) {
    size_t begin = s.find_first_not_of(" \t");
    if (begin == std::string::npos) return std::string();
    size_t end = s.find_last_not_of(" \t");
    return s.substr(begin, end - begin + 1);
}

std::string Unquote(const std::string& value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

}  // namespace

bool IniFile::Load(const std::string& path) {
    lines_.clear();
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::string text;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, n);
    std::fclose(file);
    Parse(text);
    return true;
}

void IniFile::Parse(const std::string& text) {
    lines_.clear();
    std::string section;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t eol = text.find_first_of("\r\n", pos);
        if (eol == std::string::npos) eol = text.size();
        Line line{text.substr(pos, eol - pos), section, std::string()};
        pos = eol;
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
        std::string trimmed = Trim(line.raw);
        if (!trimmed.empty() && trimmed.front() == '[') {
            size_t close = trimmed.find(']');
            section =
                Trim(trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            line.section = section;
        } else if (!trimmed.empty() && trimmed.front() != ';') {
            size_t eq = trimmed.find('=');
            line.key = Trim(eq == std::string::npos ? trimmed : trimmed.substr(0, eq));
        }
        lines_.push_back(std::move(line));
    }
}

std::optional<std::string> IniFile::Get(const std::string& section, const std::string& key) const {
    for (const Line& line : lines_) {
        if (line.key.empty() || !EqualsIgnoreCase(line.section, section) ||
            !EqualsIgnoreCase(line.key, key))
            continue;
        size_t eq = line.raw.find('=');
        if (eq == std::string::npos) return std::string();
        return Unquote(Trim(line.raw.substr(eq + 1)));
    }
    return std::nullopt;
}

void IniFile::Set(const std::string& section, const std::string& key, const std::string& value) {
    size_t lastInSection = std::string::npos;
    for (size_t i = 0; i < lines_.size(); ++i) {
        Line& line = lines_[i];
        if (!EqualsIgnoreCase(line.section, section)) continue;
        lastInSection = i;
        if (!line.key.empty() && EqualsIgnoreCase(line.key, key)) {
            line.raw = line.key + "=" + value;
            return;
        }
    }
    Line added{key + "=" + value, section, key};
    if (lastInSection == std::string::npos) {
        lines_.push_back(Line{"[" + section + "]", section, std::string()});
        lines_.push_back(added);
        return;
    }
    // Keep the new key above trailing blank lines of the section.
    while (lastInSection > 0 && Trim(lines_[lastInSection].raw).empty()) --lastInSection;
    lines_.insert(lines_.begin() + static_cast<long>(lastInSection) + 1, added);
}

std::string IniFile::Text() const {
    std::string text;
    for (const Line& line : lines_) text += line.raw + "\r\n";
    return text;
}

bool IniFile::Save(const std::string& path) const {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    std::string text = Text();
    bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && ok;
}

}  // namespace tessera
