// Bytes as spaced upper-case hex ("48 69 0D 0A"), so that a Shift-JIS
// mismatch in a test failure is readable.
#pragma once

#include <cstdio>
#include <string>

namespace tessera::testing {

inline std::string Hex(const std::string& bytes) {
    std::string hex;
    char buf[4];
    for (unsigned char c : bytes) {
        std::snprintf(buf, sizeof buf, hex.empty() ? "%02X" : " %02X", c);
        hex += buf;
    }
    return hex;
}

}  // namespace tessera::testing
