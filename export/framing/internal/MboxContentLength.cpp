#include "export/framing/internal/MboxContentLength.h"

#include <string_view>

#include "export/mime/MimePart.h"
#include "export/text/AsciiText.h"

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

size_t DropStaleContentLength(MimePart& root) {
    const size_t headerBytes = root.headers.TotalLength();
    const size_t total = root.SerializedSize();
    if (headerBytes > total) return 0;
    const size_t bodyBytes = total - headerBytes;
    size_t dropped = 0;
    for (LineCursor line(root.headers); line; line.Next()) {
        if (!StartsWithIgnoreCase(line.Stored(), kName)) continue;  // no copy of other lines
        const std::string_view header(line->text, line->length);
        if (Counts(header, bodyBytes)) continue;
        // An empty line writes nothing: the header is gone from the output.
        line->SetText("", 0);
        ++dropped;
    }
    return dropped;
}

}  // namespace tessera
