#include "platform/LocalClock.h"

#include <ctime>

namespace tessera {

CalendarTime LocalNow() {
    const std::time_t seconds = std::time(nullptr);
    std::tm fields{};
    if (localtime_r(&seconds, &fields) == nullptr) return CalendarTime();
    return FromLocalFields(fields);
}

}  // namespace tessera
