// What a platform tells the Maildir output so that its names are unique.
#pragma once

#include <cstdint>
#include <string>

namespace tessera {

// What makes the names of one run unique: the time it started (seconds since
// 1970), this process ("P" and its id) and this machine.
struct MaildirIdentity {
    int64_t started = 0;
    std::string process = "P0";
    std::string host = "localhost";
};

}  // namespace tessera
