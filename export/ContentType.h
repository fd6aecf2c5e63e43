#pragma once

#include <cstddef>

namespace tessera {

// Splits the next "name=value" parameter off a parameter list, cutting the text
// in place (name and value become NUL-terminated). Returns the position after
// the parameter and its trailing separators, or null when no '=' is left.
char* ParseParameter(char* text, char*& name, char*& value);

// What a Content-Type header yields. Pointers refer into the header text.
struct ContentTypeFields {
    const char* type = nullptr;  // null when the header has no usable type/subtype
    const char* subtype = nullptr;
    const char* boundary = nullptr;  // last boundary parameter, null when none
};

// True when the header text begins with "Content-Type:" (ASCII case ignored).
bool IsContentTypeHeader(const char* header, size_t length);

// Parses a whole (folded) Content-Type header, name included, cutting it in place.
// Returns false, leaving `out` empty, when the type or subtype token is missing;
// parameters are read only when both exist.
bool ParseContentType(char* header, ContentTypeFields& out);

}  // namespace tessera
