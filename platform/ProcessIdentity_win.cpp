#include "platform/ProcessIdentity.h"

#include <windows.h>

#include <ctime>

namespace tessera {

MaildirIdentity ThisProcessIdentity() {
    MaildirIdentity identity;
    identity.started = static_cast<int64_t>(std::time(nullptr));
    identity.process = "P" + std::to_string(static_cast<unsigned long>(GetCurrentProcessId()));
    char host[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof host;
    if (GetComputerNameA(host, &size) && size > 0) identity.host.assign(host, size);
    return identity;
}

}  // namespace tessera
