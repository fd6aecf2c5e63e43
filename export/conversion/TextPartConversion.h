// One part of a message converted in place to the converter's target, Shift-JIS
// or UTF-8: its body (when it is Japanese text and not a file) and its header
// block. MessageWriter calls these.
#pragma once

#include <string_view>

namespace tessera {

class MimePart;
class ShiftJisConverter;

// Converts the body of a text part. The charset is the part's own charset
// parameter, else the message's charset from the host, else sniffed (ISO-2022-JP
// escapes anywhere; GuessJapaneseCharset in a part without a label); labels known
// to lie are checked against the text. A base64 or quoted-printable body is
// decoded first and written as lines ending in CR LF. HTML declarations of the
// charset are rewritten. The part is then labelled with the Shift-JIS label its
// text needs (to UTF-8: "UTF-8") and "8bit" (or "7bit"); ISO-2022-JP and EUC-JP
// bodies go line by line through the host only to Shift-JIS. Files, data that declares its charset
// inside (text/calendar, text/vcard and the like), parts with damaged encodings or
// text, other charsets, and text with a line longer than the walker stores are
// left exactly as they were; a part the converter fails on too, and it counts
// it (ShiftJisConverter::PartsLeftUnconverted). Returns whether the part changed.
bool ConvertTextPart(MimePart& part, std::string_view messageCharset, ShiftJisConverter& converter);

// True when a text part's body is likely to stay as it came: its labels leave
// it to no conversion, whatever it holds (a file, data that declares its
// charset inside, an encoding or labels that cannot be trusted, a charset that
// is neither Japanese nor ASCII), or name ASCII or no charset over no transfer
// encoding, so that only escapes and 8-bit bytes would be converted. Asked
// before its body is read.
bool TextLikelyStaysAsReceived(const MimePart& part);
// True when a conversion may rebuild much of the body of this text part: its
// labels do not keep it, and it holds an escape or an 8-bit byte. (Plain
// ASCII may yet go line by line through the host's converter, under the
// message's charset, and come back as it was.)
bool ConversionMayRebuild(const MimePart& part);

// Converts the header lines of `part`'s block (ConvertHeaderText), except the
// structural ones (Content-* but Content-Description, and MIME-Version), whose
// parameters stay as written. To UTF-8, what is 8-bit afterwards becomes
// encoded words (EncodedWords, AddressHeader), unless raw headers are asked
// for, and identifiers and trace fields stay as they came. Returns whether any
// line changed.
bool ConvertHeaderBlock(MimePart& part, ShiftJisConverter& converter);

}  // namespace tessera
