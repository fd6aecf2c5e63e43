#include "export/AppendFraming.h"

#include "export/ExportFormat.h"

namespace tessera {

namespace {

bool EndsWith(const std::string& text, const char* end) {
    std::string suffix(end);
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

std::string AppendLeadIn(const std::string& tail, int saveType) {
    if (tail.empty()) return std::string();
    bool lineEnded = tail.back() == '\n';
    if (saveType != kSaveTypeMbox) return lineEnded ? std::string() : "\r\n";
    if (EndsWith(tail, "\n\n") || EndsWith(tail, "\n\r\n")) return std::string();
    return lineEnded ? "\r\n" : "\r\n\r\n";
}

}  // namespace tessera
