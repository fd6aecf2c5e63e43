// The Content-Length header of a message in an mbox: readers such as mutt trust
// it to find where the message ends, so one that no longer counts the body
// written is left out.
#pragma once

#include <cstddef>

namespace tessera {

class MimePart;

// Empties every Content-Length header of the message's own header block whose
// value is not the number of bytes `root` writes after that block. Returns
// how many were left out.
size_t DropStaleContentLength(MimePart& root);

}  // namespace tessera
