#include "export/ContentType.h"

#include <cstring>

#include "export/AsciiText.h"

namespace tessera {

namespace {

constexpr char kHeaderName[] = "Content-Type:";
constexpr size_t kHeaderNameLength = sizeof(kHeaderName) - 1;

char* SkipAny(char* p, const char* set) {
    while (*p != '\0' && std::strchr(set, *p) != nullptr) ++p;
    return p;
}

char* SkipNone(char* p, const char* set) {
    while (*p != '\0' && std::strchr(set, *p) == nullptr) ++p;
    return p;
}

// Cuts the token that starts after leading separators; `rest` is set after the
// byte that ended it. Returns null when no token is left.
char* CutToken(char* p, const char* separators, char*& rest) {
    char* start = SkipAny(p, separators);
    if (*start == '\0') {
        rest = start;
        return nullptr;
    }
    char* stop = SkipNone(start, separators);
    rest = stop;
    if (*stop != '\0') {
        *stop = '\0';
        rest = stop + 1;
    }
    return start;
}

}  // namespace

char* ParseParameter(char* text, char*& name, char*& value) {
    char* p = SkipAny(text, " \t\r\n;");
    char* equals = std::strchr(p, '=');
    if (equals == nullptr) return nullptr;
    *equals = '\0';
    name = p;
    p = SkipAny(equals + 1, " \t\r\n");
    if (*p == '"') {
        value = p + 1;
        char* quote = std::strchr(value, '"');
        if (quote == nullptr) return value + std::strlen(value);
        *quote = '\0';
        return SkipAny(quote + 1, "; \t\r\n");
    }
    value = p;
    p = SkipNone(p, "\t ;\r\n");
    if (*p == '\0') return p;
    *p = '\0';
    return SkipAny(p + 1, "; \t\r\n");
}

bool IsContentTypeHeader(const char* header, size_t length) {
    return length >= kHeaderNameLength &&
           EqualBytesIgnoreCase(header, kHeaderName, kHeaderNameLength);
}

bool ParseContentType(char* header, ContentTypeFields& out) {
    out = ContentTypeFields();
    char* rest = nullptr;
    char* type = CutToken(header + kHeaderNameLength, "/ \t", rest);
    if (type == nullptr) return false;
    char* subtype = CutToken(rest, "; \r\n\t", rest);
    if (subtype == nullptr) return false;
    out.type = type;
    out.subtype = subtype;
    char* name = nullptr;
    char* value = nullptr;
    while (*rest != '\0') {
        rest = ParseParameter(rest, name, value);
        if (rest == nullptr) break;
        if (EqualsIgnoreCase(name, "boundary")) out.boundary = value;
    }
    return true;
}

}  // namespace tessera
