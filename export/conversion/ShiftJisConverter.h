// Text in one of the Japanese charsets to Shift-JIS: ISO-2022-JP and EUC-JP
// through the host's two converters (called line by line, as the plug-in has
// always called them) but for the lines they are not known to map (JisDecoder),
// UTF-8 with the plug-in's own table, Shift-JIS as it is. An export whose
// target is UTF-8 decodes all of it itself (ShiftJisToUtf8, JisDecoder): no
// character becomes a reference there.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "export/charset/CharsetLabel.h"
#include "export/charset/Utf8ToShiftJis.h"
#include "export/seams/ExportFormat.h"
#include "export/seams/ExportProgress.h"
#include "export/seams/HostApi.h"

namespace tessera {

class ShiftJisConverter {
  public:
    // `progress` is ticked every few dozen host calls, so that a long
    // conversion keeps it alive.
    explicit ShiftJisConverter(const HostApi& host, ExportProgress& progress = Unwatched(),
                               TargetCharset target = TargetCharset::kShiftJis);
    ShiftJisConverter(const ShiftJisConverter&) = delete;
    ShiftJisConverter& operator=(const ShiftJisConverter&) = delete;

    // What Append writes.
    TargetCharset Target() const { return target_; }
    // To UTF-8: whether converted headers stay raw UTF-8 rather than becoming words.
    bool RawUtf8Headers() const { return rawHeaders_; }
    void SetRawUtf8Headers(bool raw) { rawHeaders_ = raw; }

    // Appends `text` in `charset` converted to the target to `out`. Returns false,
    // with `out` as it was, when the charset is kNone, the text holds a NUL
    // byte, a host converter gives no result, ISO-2022-JP text holds an escape
    // sequence the host does not know (a cut-off one), or UTF-8 text is not
    // well-formed; to UTF-8 also when Shift-JIS text holds a byte code page 932
    // does not decode, or ISO-2022-JP or EUC-JP text is damaged.
    // *repertoire, when not null, is set to what MeasureShiftJis says of the
    // text appended (Shift-JIS target only).
    bool Append(JapaneseCharset charset, std::string_view text, Unmappable unmappable,
                std::string& out, ShiftJisRepertoire* repertoire = nullptr);

    // Appends one NUL-terminated line (its line break included) of ISO-2022-JP
    // or EUC-JP text as the host's converter gives it back, or, for a line the
    // host is not known to map, as the engine decodes it; false, with `out` as
    // it was, as Append says.
    bool AppendJisLine(JapaneseCharset charset, const char* line, Unmappable unmappable,
                       std::string& out);

    // Characters written as "&#NNNNN;" references so far; to UTF-8, codes no
    // character set defines, written as U+FFFD.
    size_t References() const { return references_; }
    // A text part is left as received because this converter failed on it.
    void CountPartLeftUnconverted() { ++partsLeft_; }
    // Parts so left so far.
    int PartsLeftUnconverted() const { return partsLeft_; }
    // Ticks the progress now: for long work on a converted text between host calls.
    void Tick() { progress_.Tick(); }

  private:
    bool AppendUtf8(std::string_view text, Unmappable unmappable, std::string& out,
                    ShiftJisRepertoire* repertoire);
    bool AppendJis(JapaneseCharset charset, std::string_view text, Unmappable unmappable,
                   std::string& out);
    bool AppendAsUtf8(JapaneseCharset charset, std::string_view text, std::string& out);

    const HostApi& host_;
    std::string line_;  // one NUL-terminated line for the host, reused
    size_t references_ = 0;
    int partsLeft_ = 0;
    ExportProgress& progress_;
    unsigned callsSinceTick_ = 0;
    TargetCharset target_;
    bool rawHeaders_ = false;
};

}  // namespace tessera
