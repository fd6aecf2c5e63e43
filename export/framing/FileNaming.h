// Turning a decoded Subject (Shift-JIS, or UTF-8 with the UTF-8 target) into
// a file name that Windows and POSIX file systems accept. One set of rules for
// both: only the stepping from character to character differs.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "export/seams/ExportFormat.h"

namespace tessera {

// Longest single name the file systems take (with extension and suffix).
constexpr size_t kMaxFileNameBytes = 255;

// Makes a non-empty, NUL-terminated name from `text` in `buffer` (at most
// size - 2 bytes): leading blanks and controls skipped, reserved characters
// mapped, trailing dots and blanks removed, "(noname)" when nothing is left.
// A lead byte goes with its next byte only when that is a valid trail byte;
// a lone lead byte is dropped. A Windows device name (CON, COM1, ...) gets "_".
// In UTF-8 a byte that begins no well-formed character is dropped, and the C1
// controls and the bidirectional embedding, override and isolate controls (which
// would show a name's end as other than it is) become blanks like the others.
void SubjectToFileName(const char* text, char* buffer, size_t size,
                       TargetCharset charset = TargetCharset::kShiftJis);

// The bytes a name takes on disk; an empty function keeps the bytes.
using NameEncoder = std::function<std::string(const std::string&)>;

// Cuts `name` (never inside a character of `charset`) so that name + tail fits
// kMaxFileNameBytes and, when maxPath is not 0, folder + name + tail fits
// maxPath bytes, measured on the encoded name; returns the encoded cut name.
// Trailing dots and blanks left by the cut are removed.
std::string FitFileName(const std::string& name, size_t folderBytes, size_t tailBytes,
                        size_t maxPath, const NameEncoder& encode = nullptr,
                        TargetCharset charset = TargetCharset::kShiftJis);

// True when `name` (up to its first dot, trailing blanks ignored) is a Windows
// device name: CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-COM9, LPT1-LPT9, in any case.
bool IsDeviceName(const std::string& name);

// Names handed out within one export, compared ignoring ASCII case as Windows does.
class NameRegistry {
  public:
    // Records `fileName`; false when it was handed out already.
    bool TryClaim(const std::string& fileName);
    // The number from which to look for a free name whose plain form is
    // `fileName` (0 at first); the caller stores the next one to try.
    int& NextNumber(const std::string& fileName);

  private:
    std::unordered_set<std::string> used_;
    // Names are never given back, so every number below the stored one is
    // taken: a repeated Subject finds its name in constant time.
    std::unordered_map<std::string, int> next_;
};

// The first of name + ext, name + " (2)" + ext, ... not yet claimed in
// `registry`, each fitted and encoded with FitFileName; claims and returns it.
// Numbers that an earlier call with the same plain name passed are not tried
// again.
std::string UniqueFileName(NameRegistry& registry, const std::string& name, const std::string& ext,
                           size_t folderBytes, size_t maxPath, const NameEncoder& encode = nullptr,
                           TargetCharset charset = TargetCharset::kShiftJis);

}  // namespace tessera
