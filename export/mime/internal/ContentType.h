#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tessera {

// What a Content-Type header yields for the MIME walker.
struct ContentTypeFields {
    std::string type;  // empty when the header has no usable type/subtype
    std::string subtype;
    bool hasBoundary = false;
    std::string boundary;
};

// True when the header text begins with "Content-Type:" (ASCII case ignored).
bool IsContentTypeHeader(const char* header, size_t length);

// Reads a whole (folded) Content-Type header, name included. Returns false,
// leaving `out` empty, when the type or subtype is missing; parameters are
// read only when both exist.
bool ParseContentType(std::string_view header, ContentTypeFields& out);

}  // namespace tessera
