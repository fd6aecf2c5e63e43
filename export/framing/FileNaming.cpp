#include "export/framing/FileNaming.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "export/text/AsciiText.h"
#include "export/text/ShiftJisText.h"

namespace tessera {

namespace {

char MapByte(unsigned char byte) {
    if (byte >= 0x01 && byte <= 0x1F) return ' ';
    switch (byte) {
        case '"':
            return '\'';
        case '*':
        case '/':
        case '<':
        case '>':
        case '?':
        case '\\':
        case '|':
            return '=';
        case ':':
            return ';';
        default:
            return static_cast<char>(byte);
    }
}

void TrimTrailingDotsAndBlanks(std::string& name) {
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
}

std::string Encoded(const std::string& name, const NameEncoder& encode) {
    return encode ? encode(name) : name;
}

// Bytes of `name` that may be kept, whole characters only, so that their
// encoded form fits `limit`. A longer prefix never encodes shorter.
size_t CutPoint(const std::string& name, size_t limit, const NameEncoder& encode) {
    if (!encode) return CharacterPrefix(name, limit);
    std::vector<size_t> ends;  // offset after each character
    for (size_t i = 0; i < name.size();) {
        bool lead = IsShiftJisLeadByte(static_cast<unsigned char>(name[i]));
        if (lead && i + 1 == name.size()) break;  // no second byte: not a character
        i += lead ? 2 : 1;
        ends.push_back(i);
    }
    size_t fits = 0, tooMany = ends.size() + 1;  // characters that fit / that do not
    while (tooMany - fits > 1) {
        size_t mid = fits + (tooMany - fits) / 2;
        if (Encoded(name.substr(0, ends[mid - 1]), encode).size() <= limit) {
            fits = mid;
        } else {
            tooMany = mid;
        }
    }
    return fits == 0 ? 0 : ends[fits - 1];
}

}  // namespace

bool IsDeviceName(const std::string& name) {
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    base = LowerAscii(base);
    if (base == "con" || base == "prn" || base == "aux" || base == "nul") return true;
    if (base == "conin$" || base == "conout$") return true;
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
            if (IsShiftJisTrailByte(p[1]))
                name.append(reinterpret_cast<const char*>(p), 2), p += 2;
            else
                ++p;
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
                        size_t maxPath, const NameEncoder& encode) {
    size_t limit = kMaxFileNameBytes > tailBytes ? kMaxFileNameBytes - tailBytes : 0;
    if (maxPath) {
        size_t room = maxPath > folderBytes + tailBytes ? maxPath - folderBytes - tailBytes : 0;
        limit = std::min(limit, room);
    }
    std::string encoded = Encoded(name, encode);
    if (encoded.size() <= limit) return encoded;
    // Nothing fits: keep the name whole and let the file system refuse the path.
    if (limit == 0) return encoded;
    size_t keep = CutPoint(name, limit, encode);
    std::string cut = name.substr(0, keep);
    TrimTrailingDotsAndBlanks(cut);
    return Encoded(cut.empty() ? name.substr(0, keep) : cut, encode);
}

bool NameRegistry::TryClaim(const std::string& fileName) {
    return used_.insert(LowerAscii(fileName)).second;
}

int& NameRegistry::NextNumber(const std::string& fileName) { return next_[LowerAscii(fileName)]; }

std::string UniqueFileName(NameRegistry& registry, const std::string& name, const std::string& ext,
                           size_t folderBytes, size_t maxPath, const NameEncoder& encode) {
    // Keyed by the name as written: Subjects that encode alike share one count.
    const std::string plain = FitFileName(name, folderBytes, ext.size(), maxPath, encode);
    int& next = registry.NextNumber(plain + ext);
    for (int n = std::max(next, 1);; ++n) {
        std::string suffix = n == 1 ? std::string() : " (" + std::to_string(n) + ")";
        std::string fitted =
            n == 1 ? plain
                   : FitFileName(name, folderBytes, suffix.size() + ext.size(), maxPath, encode);
        std::string candidate = fitted + suffix + ext;
        if (registry.TryClaim(candidate)) {
            next = n + 1;
            return candidate;
        }
    }
}

}  // namespace tessera
