#include "export/mime/internal/ContentType.h"

#include "export/mime/HeaderParameters.h"
#include "export/text/AsciiText.h"

namespace tessera {

namespace {

constexpr char kHeaderName[] = "Content-Type:";
constexpr size_t kHeaderNameLength = sizeof(kHeaderName) - 1;

}  // namespace

bool IsContentTypeHeader(const char* header, size_t length) {
    return length >= kHeaderNameLength &&
           EqualBytesIgnoreCase(header, kHeaderName, kHeaderNameLength);
}

bool ParseContentType(std::string_view header, ContentTypeFields& out) {
    out = ContentTypeFields();
    const HeaderValue value = ParseHeaderValue(header.substr(kHeaderNameLength));
    const size_t slash = value.token.find('/');
    if (slash == std::string::npos || slash == 0 || slash + 1 == value.token.size()) return false;
    out.type = value.token.substr(0, slash);
    out.subtype = value.token.substr(slash + 1);
    const ParameterValue boundary = FindParameter(value, "boundary");
    out.hasBoundary = boundary.found;
    out.boundary = boundary.value;
    return true;
}

}  // namespace tessera
