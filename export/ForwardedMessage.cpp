#include "export/ForwardedMessage.h"

#include <string>

#include "export/AsciiText.h"
#include "export/LineReader.h"
#include "export/MimePart.h"
#include "export/PartLabels.h"
#include "export/TextSink.h"

namespace tessera {

namespace {

class StringSink : public TextSink {
  public:
    explicit StringSink(std::string& text) : TextSink(0), text_(text) {}

  private:
    bool Deliver(const char* p, size_t n) override {
        text_.append(p, n);
        return true;
    }
    std::string& text_;
};

bool HasMessageHeader(const MimePart& part) {
    for (ConstLineCursor e(part.headers); e; e.Next()) {
        const std::string_view line = e.Stored();
        if (StartsWithIgnoreCase(line, "from:") || StartsWithIgnoreCase(line, "subject:") ||
            StartsWithIgnoreCase(line, "date:"))
            return true;
    }
    return false;
}

}  // namespace

bool IsMessageItself(const MimePart& part) {
    return part.type[0] == '\0' && HasMessageHeader(part);
}

bool IsForwardedMessage(const MimePart& part, const MimePart& container) {
    if (part.type[0] == '\0') return EqualsIgnoreCase(container.subtype, "digest");
    return EqualsIgnoreCase(part.type, "message") && EqualsIgnoreCase(part.subtype, "rfc822");
}

bool ConvertForwardedMessage(MimePart& part, const std::function<bool(MimePart&)>& convert) {
    if (part.body.empty() || part.firstChild != nullptr) return false;
    if (ReadPartLabels(part).encoding != TransferEncoding::kIdentity) return false;
    std::string text;
    text.reserve(part.body.TotalLength());
    StringSink in(text);
    part.body.WriteTo(in);
    in.Flush();
    MimePart message;
    const char* cursor = text.data();
    message.Parse(cursor, text.data() + text.size(), nullptr);
    // A NUL, text after the close delimiter, a delimiter made good: not the same bytes.
    if (message.SerializedSize() != text.size() || message.Serialize() != text) return false;
    std::string().swap(text);
    if (!convert(message)) return false;
    StringSink out(text);
    message.WriteTo(out);
    out.Flush();
    const char* end = text.data() + text.size();
    LineSpan line;
    for (cursor = text.data(); NextLine(cursor, end, kMaxLineBytes + 1, line);) {
        if (line.length > kMaxLineBytes) return false;  // a converted header grew past a line
    }
    part.body.Clear();
    for (cursor = text.data(); NextLine(cursor, end, kMaxLineBytes, line);) {
        part.body.AppendLine(line.data, line.length);
    }
    return true;
}

}  // namespace tessera
