// The MIME transfer encodings of text, decoded by the plug-in itself: base64,
// quoted-printable bodies, and the Q encoding of RFC 2047 encoded words. Each
// decoder refuses damaged input instead of guessing, so that the caller can
// leave such a part exactly as it came.
#pragma once

#include <string>
#include <string_view>

namespace tessera {

// Appends the bytes of base64 `text` to `out`. Line breaks and blanks are
// skipped; any run of '=' may end the data, and missing padding is accepted.
// Returns false, with `out` as it was, on any other byte, on data after a '=',
// or on a lone character left over (a quantum of one).
bool AppendBase64Bytes(std::string_view text, std::string& out);

// Appends the bytes of a quoted-printable body to `out`, every line ended by
// `lineBreak` (CR LF, LF or CR; in the text, LF and CR alone also end a line).
// Blanks at the end of a line are transport padding and dropped; "=" at the
// end of a line joins it to the next. Returns false, with `out` as it was,
// when a '=' is followed by anything but two hex digits or the end of the line.
bool AppendQuotedPrintableBytes(std::string_view text, std::string& out,
                                std::string_view lineBreak = "\r\n");

// Appends the bytes of the payload of a "Q" encoded word: '_' is a space,
// "=XX" a byte. Returns false, with `out` as it was, on a '=' without two hex digits.
bool AppendQEncodedBytes(std::string_view payload, std::string& out);

}  // namespace tessera
