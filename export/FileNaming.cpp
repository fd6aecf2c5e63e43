#include "export/FileNaming.h"

#include <algorithm>
#include <cstring>

#include "export/AsciiText.h"
#include "export/ShiftJisText.h"

namespace tessera {

namespace {

char MapByte(unsigned char byte) {
    if (byte >= 0x01 && byte <= 0x1F) return ' ';
    switch (byte) {
        case '"': return '\'';
        case '*': case '/': case '<': case '>': case '?': case '\\': case '|': return '=';
        case ':': return ';';
        default: return static_cast<char>(byte);
    }
}

void TrimTrailingDotsAndBlanks(std::string& name) {
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
}

}  // namespace

bool IsDeviceName(const std::string& name) {
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    base = LowerAscii(base);
    if (base == "con" || base == "prn" || base == "aux" || base == "nul") return true;
    return base.size() == 4 && (base.compare(0, 3, "com") == 0 || base.compare(0, 3, "lpt") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

void SubjectToFileName(const char* text, char* buffer, size_t size) {
    if (!buffer || size < 10) return;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text ? text : "");
    while (*p >= 0x01 && *p <= 0x20) ++p;
    std::string name;
    while (*p && name.size() < size - 3) {
        if (IsShiftJisLeadByte(*p)) {
            // A lead byte counts only with a real trail byte; else it is dropped.
            if (IsShiftJisTrailByte(p[1])) name.append(reinterpret_cast<const char*>(p), 2), p += 2;
            else ++p;
            continue;
        }
        name.push_back(MapByte(*p++));
    }
    TrimTrailingDotsAndBlanks(name);
    if (IsDeviceName(name)) {
        size_t dot = name.find('.');
        name.insert(dot == std::string::npos ? name.size() : dot, "_");
    }
    if (name.empty()) name = "(noname)";
    name.resize(std::min(name.size(), size - 1));
    std::memcpy(buffer, name.c_str(), name.size() + 1);
}

std::string FitFileName(const std::string& name, size_t folderBytes, size_t tailBytes,
                        size_t maxPath) {
    size_t limit = kMaxFileNameBytes > tailBytes ? kMaxFileNameBytes - tailBytes : 0;
    if (maxPath) {
        size_t room = maxPath > folderBytes + tailBytes ? maxPath - folderBytes - tailBytes : 0;
        limit = std::min(limit, room);
    }
    if (name.size() <= limit) return name;
    // Nothing fits: keep the name whole and let the file system refuse the path.
    if (limit == 0) return name;
    std::string cut = name.substr(0, CharacterPrefix(name, limit));
    TrimTrailingDotsAndBlanks(cut);
    return cut.empty() ? name.substr(0, CharacterPrefix(name, limit)) : cut;
}

bool NameRegistry::TryClaim(const std::string& fileName) {
    return used_.insert(LowerAscii(fileName)).second;
}

std::string UniqueFileName(NameRegistry& registry, const std::string& name, const std::string& ext,
                           size_t folderBytes, size_t maxPath) {
    for (int n = 1;; ++n) {
        std::string suffix = n == 1 ? std::string() : " (" + std::to_string(n) + ")";
        std::string fitted = FitFileName(name, folderBytes, suffix.size() + ext.size(), maxPath);
        std::string candidate = fitted + suffix + ext;
        if (registry.TryClaim(candidate)) return candidate;
    }
}

}  // namespace tessera
