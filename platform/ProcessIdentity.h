// This process and machine, for names that must be unique among writers.
// Twins: ProcessIdentity_posix.cpp, ProcessIdentity_win.cpp.
#pragma once

#include "export/seams/MaildirIdentity.h"

namespace tessera {

// The time now, "P" and the process id, and the host name.
MaildirIdentity ThisProcessIdentity();

}  // namespace tessera
