#include "export/conversion/internal/HtmlCharsetDeclaration.h"

#include <cstring>

#include "export/text/AsciiText.h"
#include "export/text/ByteScan.h"

namespace tessera {

namespace {

constexpr std::string_view kMeta = "<meta";
constexpr std::string_view kCharset = "charset";

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

bool IsLabelChar(char c) { return IsNameChar(c) || c == '.' || c == ':'; }

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// Position of the next "<meta" followed by a blank or '/', from `from`; npos when none.
size_t FindMetaTag(std::string_view html, size_t from) {
    while (from < html.size()) {
        const char* lt = FindByte(html.data() + from, html.data() + html.size(), '<');
        if (lt == nullptr) return std::string_view::npos;
        const size_t at = static_cast<size_t>(lt - html.data());
        const size_t after = at + kMeta.size();
        if (after < html.size() && StartsWithIgnoreCase(html.substr(at), kMeta) &&
            (IsSpace(html[after]) || html[after] == '/')) {
            return at;
        }
        from = at + 1;
    }
    return std::string_view::npos;
}

// The label's span after "charset" at `at` within the tag: `start` and `length`
// of the value; false when no "= value" follows.
bool FindLabelValue(std::string_view tag, size_t at, size_t& start, size_t& length) {
    size_t i = at + kCharset.size();
    while (i < tag.size() && IsSpace(tag[i])) ++i;
    if (i == tag.size() || tag[i] != '=') return false;
    ++i;
    while (i < tag.size() && IsSpace(tag[i])) ++i;
    if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) ++i;
    start = i;
    while (i < tag.size() && IsLabelChar(tag[i])) ++i;
    length = i - start;
    return length > 0;
}

}  // namespace

size_t RewriteHtmlCharsetDeclarations(std::string& html, std::string_view label) {
    size_t rewritten = 0;
    size_t tagStart = FindMetaTag(html, 0);
    while (tagStart != std::string_view::npos) {
        size_t tagEnd = html.find('>', tagStart);
        if (tagEnd == std::string::npos) tagEnd = html.size();
        size_t at = FindIgnoreCase(std::string_view(html).substr(0, tagEnd), kCharset, tagStart);
        while (at != std::string_view::npos) {
            size_t start = 0;
            size_t length = 0;
            const std::string_view tag = std::string_view(html).substr(0, tagEnd);
            if (!IsNameChar(html[at - 1]) && FindLabelValue(tag, at, start, length)) {
                html.replace(start, length, label.data(), label.size());
                tagEnd = tagEnd - length + label.size();
                ++rewritten;
                at = start + label.size();
            } else {
                at += kCharset.size();
            }
            at = FindIgnoreCase(std::string_view(html).substr(0, tagEnd), kCharset, at);
        }
        tagStart = FindMetaTag(html, tagEnd);
    }
    return rewritten;
}

}  // namespace tessera
