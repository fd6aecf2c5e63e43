#include "tests/wine/support/ResourceScript.h"

#include <windows.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "tests/support/HexBytes.h"

namespace tessera::testing {

namespace {

std::vector<std::string> ScriptLines(const char* name) {
    std::ifstream in(std::string(TESSERA_SOURCE_DIR) + "/resources/" + name, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string Recode(const std::string& text, UINT from, UINT to) {
    if (text.empty()) return text;
    int wide = MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), &w[0], wide);
    int n = WideCharToMultiByte(to, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(to, 0, w.data(), wide, &out[0], n, nullptr, nullptr);
    return out;
}

// The quoted text that starts at `from` in a script line, escapes read, as
// Shift-JIS; `end` is set after its closing quote.
std::string Quoted(const std::string& line, size_t from, size_t* end = nullptr) {
    size_t open = line.find('"', from);
    std::string text;
    size_t i = open + 1;
    for (; i < line.size(); ++i) {
        if (line[i] == '"') {
            if (i + 1 < line.size() && line[i + 1] == '"') {
                text += '"';
                ++i;
                continue;
            }
            break;
        }
        if (line[i] == '\\' && i + 1 < line.size()) {
            const char c = line[++i];
            text += c == 'n' ? '\n' : c == 't' ? '\t' : c;
            continue;
        }
        text += line[i];
    }
    if (end) *end = i + 1;
    return Recode(text, CP_UTF8, 932);
}

// The lines of dialog `dialog`'s template, from its DIALOG line to END.
std::vector<std::string> DialogLines(const std::string& dialog) {
    std::vector<std::string> found;
    bool inside = false;
    for (const char* script : {"Dialogs.rc", "ProgressDialog.rc"}) {
        for (const std::string& line : ScriptLines(script)) {
            if (!inside) {
                inside = line.rfind(dialog + " DIALOG", 0) == 0;
                continue;
            }
            if (line == "END") return found;
            found.push_back(line);
        }
    }
    ADD_FAILURE() << "no dialog " << dialog << " in the resource scripts";
    return found;
}

}  // namespace

std::string RcCaption(const std::string& dialog) {
    for (const std::string& line : DialogLines(dialog)) {
        if (line.rfind("CAPTION ", 0) == 0) return Quoted(line, 0);
    }
    ADD_FAILURE() << "no caption of " << dialog;
    return std::string();
}

std::string RcControlText(const std::string& dialog, const std::string& control) {
    for (const std::string& line : DialogLines(dialog)) {
        const size_t at = line.find("CONTROL \"");
        if (at == std::string::npos) continue;
        size_t end = 0;
        std::string text = Quoted(line, at, &end);
        if (line.compare(end, control.size() + 3, ", " + control + ",") == 0) return text;
    }
    ADD_FAILURE() << "no control " << control << " in " << dialog;
    return std::string();
}

std::string RcString(const std::string& id) {
    for (const std::string& line : ScriptLines("Tessera.rc")) {
        const size_t at = line.find_first_not_of(' ');
        if (at != std::string::npos && line.compare(at, id.size() + 2, id + " \"") == 0) {
            return Quoted(line, at);
        }
    }
    ADD_FAILURE() << "no string " << id << " in the string table";
    return std::string();
}

::testing::AssertionResult SameText(const std::string& shown, const std::string& expected) {
    if (shown == expected) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "shown \"" << Recode(shown, 932, CP_UTF8) << "\" (" << Hex(shown) << "), expected \""
           << Recode(expected, 932, CP_UTF8) << "\" (" << Hex(expected) << ")";
}

}  // namespace tessera::testing
