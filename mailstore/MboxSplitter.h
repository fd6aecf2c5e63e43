// Splits an mbox into messages as MboxFraming.h tells, fed in pieces of any
// size, so that a file is indexed block by block and a text in memory at once.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
            if (lineLength_ == 0 && !MayStartEnvelopeOrBlank(*p)) {
                // Most lines: neither an envelope line nor blank. They are passed
                // over, many at a step, to the next line that starts with one of
                // those bytes; their '>' and NUL are noted on the way.
                const Skipped skipped = SkipOrdinaryLines(p, end, !marks_.nul);
                marks_.quoted = marks_.quoted || skipped.quoted;
                marks_.nul = marks_.nul || skipped.nul;
                previousBlank_ = false;
                const char* next = skipped.next;
                if (next == nullptr) {
                    // The piece ends among such lines, perhaps inside one.
                    const char* lastBreak = end;
                    while (lastBreak > p && lastBreak[-1] != '\n') --lastBreak;
                    next = lastBreak > p ? lastBreak : p;
                    lineLength_ = static_cast<size_t>(end - next);
                    head_.assign(next, std::min<size_t>(lineLength_, 5));
                }
                lineStart_ += static_cast<uint64_t>(next - p);
                p = lineLength_ != 0 ? end : next;
                continue;
            }
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
    // The first byte of an envelope line ("From ") or of a blank one (LF, CR LF).
    static bool MayStartEnvelopeOrBlank(char c) { return c == 'F' || c == '\n' || c == '\r'; }

    struct Skipped {
        const char* next;  // the first line start after p whose byte is 'F', LF or CR; or null
        bool quoted;       // a line passed over starts with '>'
        bool nul;          // a byte passed over is NUL (looked for only with `nul`)
    };

    // Passes over the lines from p, which starts one that is neither blank nor
    // an envelope line, to the next that may be one.
    static Skipped SkipOrdinaryLines(const char* p, const char* end, bool nul) {
        Skipped found{nullptr, *p == '>', nul && *p == '\0'};
        nul = nul && !found.nul;
        const char* q = p + 1;  // each q is judged with the byte before it
#if defined(__SSE2__)
        const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r');
        const __m128i from = _mm_set1_epi8('F'), quote = _mm_set1_epi8('>');
        const __m128i zero = _mm_setzero_si128();
        for (; end - q >= 16; q += 16) {
            // Bit i: byte q - 1 + i, the one before q + i.
            const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q - 1));
            const __m128i breaks = _mm_cmpeq_epi8(before, lf);
            const __m128i nuls = _mm_cmpeq_epi8(before, zero);
            // Most blocks: inside a line, nothing to look at.
            if (_mm_movemask_epi8(_mm_or_si128(breaks, nuls)) == 0) continue;
            const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
            const __m128i worth =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(here, from), _mm_cmpeq_epi8(here, lf)),
                             _mm_cmpeq_epi8(here, cr));
            const unsigned stop =
                static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(breaks, worth)));
            // Only what lies before the stop belongs to the lines passed over.
            const unsigned beforeStop = stop ? (stop & (0u - stop)) - 1 : 0xFFFFu;
            const unsigned quotes = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_and_si128(breaks, _mm_cmpeq_epi8(here, quote))));
            found.quoted = found.quoted || (quotes & beforeStop) != 0;
            if (nul && (static_cast<unsigned>(_mm_movemask_epi8(nuls)) & beforeStop) != 0) {
                found.nul = true;
                nul = false;
            }
            if (stop) {
                found.next = q + __builtin_ctz(stop);
                return found;
            }
        }
#endif
        for (; q < end; ++q) {
            found.nul = found.nul || (nul && q[-1] == '\0');
            if (q[-1] == '\n') {
                if (MayStartEnvelopeOrBlank(*q)) {
                    found.next = q;
                    return found;
                }
                found.quoted = found.quoted || *q == '>';
            }
        }
        // The last byte, which no q is judged with.
        found.nul = found.nul || (nul && end[-1] == '\0');
        return found;
    }

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
