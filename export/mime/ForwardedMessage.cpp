#include "export/mime/ForwardedMessage.h"

#include <cstring>
#include <string>

#include "export/mime/LineReader.h"
#include "export/mime/MimePart.h"
#include "export/mime/PartLabels.h"
#include "export/text/AsciiText.h"
#include "export/text/ByteScan.h"
#include "export/text/TextSink.h"

namespace tessera {

namespace {

// Tells whether what it is given is `expected`, byte for byte.
class CompareSink : public TextSink {
  public:
    explicit CompareSink(std::string_view expected) : TextSink(0), expected_(expected) {}
    bool Same() {
        Flush();
        return same_ && at_ == expected_.size();
    }

  private:
    bool Deliver(const char* p, size_t n) override {
        same_ =
            same_ && n <= expected_.size() - at_ && std::memcmp(expected_.data() + at_, p, n) == 0;
        at_ += same_ ? n : 0;
        return true;
    }
    std::string_view expected_;
    size_t at_ = 0;
    bool same_ = true;
};

// Stores what it is given as lines (each written line ends in CR LF); Fits()
// is false once a line is longer than the walker stores one.
class LineSink : public TextSink {
  public:
    explicit LineSink(LineList& lines) : TextSink(kMaxLineBytes), lines_(lines) {}
    bool Fits() {
        Flush();
        if (!pending_.empty()) Line(pending_.data(), pending_.size());
        return fits_;
    }

  private:
    bool Deliver(const char* p, size_t n) override {
        const char* const end = p + n;
        while (p < end) {
            const char* lf = FindByte(p, end, '\n');
            if (lf == nullptr) {
                pending_.append(p, end);
                break;
            }
            pending_.append(p, lf + 1);
            Line(pending_.data(), pending_.size());
            pending_.clear();
            p = lf + 1;
        }
        return true;
    }
    void Line(const char* text, size_t n) {
        while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r')) --n;
        fits_ = fits_ && n <= kMaxLineBytes;
        if (fits_) lines_.AppendLine(text, n);
    }
    LineList& lines_;
    std::string pending_;
    bool fits_ = true;
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

bool ConvertForwardedMessage(MimePart& part, const std::function<bool(MimePart&)>& convert,
                             ExportProgress& progress) {
    if (part.body.empty() || part.firstChild != nullptr) return false;
    if (ReadPartLabels(part).encoding != TransferEncoding::kIdentity) return false;
    std::string text;
    text.reserve(part.body.TotalLength());
    StringSink in(text);
    part.body.WriteTo(in);
    in.Flush();
    MimePart message;
    const char* cursor = text.data();
    message.Parse(cursor, text.data() + text.size(), nullptr, progress);
    // A NUL, text after the close delimiter, a delimiter made good: not the same bytes.
    CompareSink same(text);
    message.WriteTo(same);
    if (!same.Same()) return false;
    std::string().swap(text);
    if (!convert(message)) return false;
    LineList lines;
    LineSink out(lines);
    message.WriteTo(out);
    if (!out.Fits()) return false;  // a converted header grew past a line
    part.body.Swap(lines);
    return true;
}

}  // namespace tessera
