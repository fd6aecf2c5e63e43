// Splits an mbox into messages as MboxFraming.h tells, fed in pieces of any
// size, so that a file is indexed block by block and a text in memory at once.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "export/text/ByteScan.h"
#include "mailstore/MboxFraming.h"

namespace tessera {

// Splits an mbox into messages line by line, as MboxFraming.h tells.
class MboxSplitter {
  public:
    // Bytes of a line kept to judge it: a Tessera envelope line is shorter.
    static constexpr size_t kEnvelopeBytes = 512;

    // What the reading of a message's lines noted, so that its reader can
    // skip the scans that would find nothing.
    struct Marks {
        bool anyCaseFrom = false;  // written by Tessera: "from " quoted in any case
        bool quoted = false;       // a line starts with '>': unquoting may change it
        bool nul = false;          // holds a NUL byte
    };

    // `publish` gets (offset, length, Marks) of every message found.
    template <typename Publish>
    void Feed(const char* p, const char* end, Publish& publish) {
        while (p < end) {
            if (lineLength_ == 0 && *p == '>') marks_.quoted = true;
            // Until a NUL is found the line end is looked for with it, in the same reading.
            const bool nulSeen = marks_.nul || lineNul_;
            const char* eol = nulSeen ? FindByte(p, end, '\n') : FindByteOrNul(p, end, '\n');
            while (eol && *eol == '\0') {
                lineNul_ = true;
                eol = FindByte(eol + 1, end, '\n');
            }
            const char* stop = eol ? eol + 1 : end;
            size_t take = static_cast<size_t>(stop - p);
            if (eol && lineLength_ == 0) {
                // A whole line in the piece: judged where it lies, nothing kept.
                if (*p != 'F' && *p != '\n' && *p != '\r') {
                    // Most lines: neither an envelope line nor blank.
                    marks_.nul = marks_.nul || lineNul_;
                    lineNul_ = previousBlank_ = false;
                    previousStart_ = lineStart_;
                    lineStart_ += take;
                    p = stop;
                    continue;
                }
                const bool envelope = IsEnvelopeLine(p, take);
                lineLength_ = take;
                EndLine(p, std::min(take, envelope ? kEnvelopeBytes : size_t(5)), publish);
                p = stop;
                continue;
            }
            // Five bytes tell an envelope line; only of those is more kept.
            size_t used = 0;
            if (head_.size() < 5) {
                used = std::min(5 - head_.size(), take);
                head_.append(p, used);
            }
            if (head_.size() < kEnvelopeBytes && IsEnvelopeLine(head_.data(), head_.size())) {
                head_.append(p + used, std::min(kEnvelopeBytes - head_.size(), take - used));
            }
            lineLength_ += take;
            p = stop;
            if (eol) {
                EndLine(head_.data(), head_.size(), publish);
                head_.clear();
            }
        }
    }
    // The end of the file at `size`.
    template <typename Publish>
    void Finish(uint64_t size, Publish& publish) {
        if (lineLength_ > 0) EndLine(head_.data(), head_.size(), publish);
        head_.clear();
        Close(previousBlank_ ? previousStart_ : size, publish);
    }

  private:
    // Ends the current line, of which `head` holds the first bytes.
    template <typename Publish>
    void EndLine(const char* head, size_t headLength, Publish& publish) {
        bool whole = lineLength_ == headLength;
        if (IsEnvelopeLine(head, headLength)) {
            Close(previousBlank_ ? previousStart_ : lineStart_, publish);
            inMessage_ = true;
            bodyStart_ = lineStart_ + lineLength_;
            marks_ = Marks();  // a NUL of the envelope line is in no message
            marks_.anyCaseFrom = whole && IsTesseraEnvelopeLine(head, headLength);
            previousBlank_ = false;
        } else {
            marks_.nul = marks_.nul || lineNul_;
            previousBlank_ = whole && IsBlankLine(head, headLength);
        }
        lineNul_ = false;
        previousStart_ = lineStart_;
        lineStart_ += lineLength_;
        lineLength_ = 0;
    }
    template <typename Publish>
    void Close(uint64_t end, Publish& publish) {
        if (inMessage_) publish(bodyStart_, end - bodyStart_, marks_);
        inMessage_ = false;
    }

    std::string head_;  // the first bytes of the current line
    uint64_t lineStart_ = 0, lineLength_ = 0, previousStart_ = 0, bodyStart_ = 0;
    bool inMessage_ = false, previousBlank_ = false, lineNul_ = false;
    Marks marks_;
};

}  // namespace tessera
