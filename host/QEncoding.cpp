#include "host/QEncoding.h"

namespace tessera {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

}  // namespace

bool AppendQDecoded(std::string_view text, std::string& out) {
    size_t base = out.size();
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '_') {
            out.push_back(' ');
            continue;
        }
        if (c != '=') {
            out.push_back(c);
            continue;
        }
        if (text.size() - i < 3 || HexValue(text[i + 1]) < 0 || HexValue(text[i + 2]) < 0) {
            out.resize(base);
            return false;
        }
        out.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
        i += 2;
    }
    return true;
}

}  // namespace tessera
