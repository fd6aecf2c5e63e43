// The system's clock, for the export time of one run.
#pragma once

#include "export/seams/CalendarTime.h"

namespace tessera {

// The current local time (the Unix epoch if the clock cannot be read).
CalendarTime LocalNow();

}  // namespace tessera
