#include "tools/cli/CliText.h"

#include <vector>

namespace tessera {

std::string FillIn(const std::string& text, std::initializer_list<std::string> values) {
    const std::vector<std::string> args(values);
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] == '%' && next >= '1' && next <= '9' &&
            static_cast<size_t>(next - '1') < args.size()) {
            out += args[static_cast<size_t>(next - '1')];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string TrProblem(const std::string& problem) {
    // The phrases the message store and the host tell problems with.
    static const char* const kPhrases[] = {
        "no messages (neither a Maildir folder nor a folder of .eml files)",
        "holds a NUL byte; the text after it was left out",
        "(a message reaches the plug-in as NUL-terminated text, so nothing after a NUL can)",
        "empty file, not a message",
        "not a file, folder or mbox",
        "too large to read on this system",
        "too large to hold in memory",
        "cannot be listed",
        "cannot be read",
        "no such file",
        "(not a folder)",
        "(it became shorter)",
    };
    if (!JapaneseTexts()) return problem;
    std::string out = problem;
    for (const char* phrase : kPhrases) {
        const std::string english = phrase;
        size_t at = out.rfind(english);
        if (at == std::string::npos) continue;
        out.replace(at, english.size(), Tr(phrase));
    }
    return out;
}

}  // namespace tessera
