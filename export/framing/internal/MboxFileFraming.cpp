#include "export/framing/internal/MboxFileFraming.h"

#include <string>
#include <vector>

#include "export/framing/EnvelopeLine.h"
#include "export/framing/internal/FromQuoting.h"
#include "export/framing/internal/MboxContentLength.h"
#include "export/mime/MimePart.h"
#include "export/text/TextSink.h"

namespace tessera {

namespace {

bool EndsWith(const std::string& text, const char* end) {
    std::string suffix(end);
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

std::string MboxFileFraming::AppendLeadIn(const std::string& tail) const {
    if (tail.empty() || EndsWith(tail, "\n\n") || EndsWith(tail, "\n\r\n")) return std::string();
    return tail.back() == '\n' ? "\r\n" : "\r\n\r\n";
}

void MboxFileFraming::Prepare(MimePart& root) const {
    QuoteFromLines(root);
    DropStaleContentLength(root);
}

MessageFraming::LineTest MboxFileFraming::ChangesLine() const { return LineNeedsFromQuote; }

void MboxFileFraming::WriteLeadIn(const MimePart& root, TextSink& sink) const {
    std::string envelope = BuildEnvelopeLine(root, exportTime_, utf8_);
    sink.Put(envelope.data(), envelope.size());
}

void MboxFileFraming::WriteTrailer(bool, TextSink& sink) const { sink.Put("\r\n", 2); }

}  // namespace tessera
