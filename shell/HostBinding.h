// The process-wide host function table, bound from the host executable.
#pragma once

#include "export/seams/HostApi.h"

namespace tessera {

// Binds every host function by name from the executable that loaded us.
// Already bound: true. No host module or any name missing: false, unbound.
bool BindHost();
const HostApi& Host();

}  // namespace tessera
