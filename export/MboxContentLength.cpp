#include "export/MboxContentLength.h"

#include <string_view>
#include <vector>

#include "export/AsciiText.h"
#include "export/MimePart.h"

namespace tessera {

namespace {

constexpr std::string_view kName = "content-length:";

// True when the header's value is exactly the decimal number `count`.
bool Counts(std::string_view header, size_t count) {
    std::string_view value = header.substr(kName.size());
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
    while (!value.empty() && (value.back() == '\r' || value.back() == '\n' || value.back() == ' ' ||
                              value.back() == '\t')) {
        value.remove_suffix(1);
    }
    if (value.empty() || value.size() > 19) return false;
    size_t number = 0;
    for (char c : value) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + static_cast<size_t>(c - '0');
    }
    return number == count;
}

}  // namespace

size_t DropStaleContentLength(const MimePart& root, std::string& text) {
    const size_t headerBytes = root.headers.TotalLength();
    if (headerBytes > text.size()) return 0;
    const size_t bodyBytes = text.size() - headerBytes;
    std::vector<std::pair<size_t, size_t>> stale;  // offset, length in text
    size_t offset = 0;
    for (const LineEntry* e = root.headers.head; e != nullptr; e = e->next) {
        const std::string_view header(e->text, e->length);
        if (StartsWithIgnoreCase(header, kName) && !Counts(header, bodyBytes)) {
            stale.emplace_back(offset, e->length);
        }
        offset += e->length;
    }
    for (auto it = stale.rbegin(); it != stale.rend(); ++it) text.erase(it->first, it->second);
    return stale.size();
}

}  // namespace tessera
