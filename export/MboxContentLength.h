// The Content-Length header of a message in an mbox: readers such as mutt trust
// it to find where the message ends, so one that no longer counts the body
// written is left out.
#pragma once

#include <string>

namespace tessera {

class MimePart;

// `text` is `root` serialized. Removes from it every Content-Length header of
// the message's own header block whose value is not the number of bytes after
// that block. Returns how many were removed.
size_t DropStaleContentLength(const MimePart& root, std::string& text);

}  // namespace tessera
