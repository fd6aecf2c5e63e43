// Test texts are written with "\n"; the engine reads and writes CR LF.
#pragma once

#include <string>

namespace tessera::testing {

// The text with every "\n" made "\r\n".
inline std::string Crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

}  // namespace tessera::testing
