// Mail inside mail: a message/rfc822 part or a member of a digest holds a
// message of its own, which the export reads and converts as a message.
#pragma once

#include <functional>

#include "export/seams/ExportProgress.h"

namespace tessera {

class MimePart;

// Forwarded messages inside forwarded messages deeper than this stay as they came.
constexpr int kMaxForwardedNesting = 8;

// Whether `part`, one of the parts of `container`, is a message: message/rfc822,
// or an untyped part of a digest (in its body, or, when its own header block
// already holds From, Subject or Date, the part itself).
bool IsForwardedMessage(const MimePart& part, const MimePart& container);

// Whether the message is the part itself rather than the text of its body.
bool IsMessageItself(const MimePart& part);

// Parses the body of `part` as a message and hands it to `convert`; when that
// returns true, the changed message becomes the body. Left alone: a
// transfer-encoded body, or one that does not read back byte for byte.
// Returns whether the body changed. `progress` is ticked while a long
// message is parsed.
bool ConvertForwardedMessage(MimePart& part, const std::function<bool(MimePart&)>& convert,
                             ExportProgress& progress = Unwatched());

}  // namespace tessera
