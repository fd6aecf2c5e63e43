#include "export/framing/FileNaming.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "export/charset/Utf8ToShiftJis.h"
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

// Bytes of the character that starts at `p` (`left` bytes remain); 0 when no
// character starts there (a lead byte without its trail byte, malformed UTF-8).
// `point` is the UTF-8 character, 0 for a Shift-JIS one.
size_t CharacterBytes(TargetCharset charset, const unsigned char* p, size_t left, uint32_t& point) {
    point = 0;
    if (*p < 0x80) return 1;
    if (charset == TargetCharset::kUtf8) return DecodeUtf8Sequence(p, left, point);
    if (!IsShiftJisLeadByte(*p)) return 1;
    return left > 1 && IsShiftJisTrailByte(p[1]) ? 2 : 0;
}

// A control that the UTF-8 rules blank beside the ASCII ones.
bool IsHiddenControl(uint32_t point) {
    return (point >= 0x80 && point <= 0x9F) || (point >= 0x202A && point <= 0x202E) ||
           (point >= 0x2066 && point <= 0x2069);
}

// Offsets after each character of `name`. A Shift-JIS lead byte takes the
// byte after it whatever it is; a byte that starts no UTF-8 character stands alone.
std::vector<size_t> CharacterEnds(const std::string& name, TargetCharset charset) {
    std::vector<size_t> ends;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(name.data());
    for (size_t i = 0; i < name.size();) {
        if (charset == TargetCharset::kUtf8) {
            uint32_t point;
            i += std::max<size_t>(1, CharacterBytes(charset, bytes + i, name.size() - i, point));
        } else {
            const bool lead = IsShiftJisLeadByte(bytes[i]);
            if (lead && i + 1 == name.size()) break;  // no second byte: not a character
            i += lead ? 2 : 1;
        }
        ends.push_back(i);
    }
    return ends;
}

// Bytes of `name` that may be kept, whole characters only, so that their
// encoded form fits `limit`. A longer prefix never encodes shorter.
size_t CutPoint(const std::string& name, size_t limit, const NameEncoder& encode,
                TargetCharset charset) {
    if (!encode && charset == TargetCharset::kShiftJis) return CharacterPrefix(name, limit);
    const std::vector<size_t> ends = CharacterEnds(name, charset);
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

void SubjectToFileName(const char* text, char* buffer, size_t size, TargetCharset charset) {
    if (!buffer || size < 10) return;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text ? text : "");
    while (*p >= 0x01 && *p <= 0x20) ++p;
    const unsigned char* const end = p + std::strlen(reinterpret_cast<const char*>(p));
    std::string name;
    while (p < end && name.size() < size - 3) {
        uint32_t point;
        const size_t bytes = CharacterBytes(charset, p, static_cast<size_t>(end - p), point);
        if (bytes == 0) {
            ++p;  // no character: dropped
            continue;
        }
        // Room is kept for the "_" a device name takes.
        if (name.size() + bytes > size - 2) break;
        if (bytes == 1) {
            name.push_back(MapByte(*p));
        } else if (IsHiddenControl(point)) {
            name.push_back(' ');
        } else {
            name.append(reinterpret_cast<const char*>(p), bytes);
        }
        p += bytes;
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
                        size_t maxPath, const NameEncoder& encode, TargetCharset charset) {
    size_t limit = kMaxFileNameBytes > tailBytes ? kMaxFileNameBytes - tailBytes : 0;
    if (maxPath) {
        size_t room = maxPath > folderBytes + tailBytes ? maxPath - folderBytes - tailBytes : 0;
        limit = std::min(limit, room);
    }
    std::string encoded = Encoded(name, encode);
    if (encoded.size() <= limit) return encoded;
    // Nothing fits: keep the name whole and let the file system refuse the path.
    if (limit == 0) return encoded;
    size_t keep = CutPoint(name, limit, encode, charset);
    std::string cut = name.substr(0, keep);
    TrimTrailingDotsAndBlanks(cut);
    return Encoded(cut.empty() ? name.substr(0, keep) : cut, encode);
}

bool NameRegistry::TryClaim(const std::string& fileName) {
    return used_.insert(LowerAscii(fileName)).second;
}

int& NameRegistry::NextNumber(const std::string& fileName) { return next_[LowerAscii(fileName)]; }

std::string UniqueFileName(NameRegistry& registry, const std::string& name, const std::string& ext,
                           size_t folderBytes, size_t maxPath, const NameEncoder& encode,
                           TargetCharset charset) {
    // Keyed by the name as written: Subjects that encode alike share one count.
    const std::string plain = FitFileName(name, folderBytes, ext.size(), maxPath, encode, charset);
    int& next = registry.NextNumber(plain + ext);
    for (int n = std::max(next, 1);; ++n) {
        std::string suffix = n == 1 ? std::string() : " (" + std::to_string(n) + ")";
        std::string fitted = n == 1 ? plain
                                    : FitFileName(name, folderBytes, suffix.size() + ext.size(),
                                                  maxPath, encode, charset);
        std::string candidate = fitted + suffix + ext;
        if (registry.TryClaim(candidate)) {
            next = n + 1;
            return candidate;
        }
    }
}

}  // namespace tessera
