#include "platform/ProcessIdentity.h"

#include <unistd.h>

#include <ctime>

namespace tessera {

MaildirIdentity ThisProcessIdentity() {
    MaildirIdentity identity;
    identity.started = static_cast<int64_t>(std::time(nullptr));
    identity.process = "P" + std::to_string(static_cast<long>(getpid()));
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) == 0 && host[0] != '\0') identity.host = host;
    return identity;
}

}  // namespace tessera
