#include "dialogs/ProgressTiming.h"

namespace tessera {

bool ProgressWorthShowing(unsigned elapsedMs, unsigned delayMs, int done, int total,
                          unsigned inHandMs) {
    if (elapsedMs < delayMs) return false;
    if (done <= 0 || inHandMs >= kProgressWorthMs) return true;
    if (done >= total) return false;
    // The rest at the pace so far; a message far larger than the others shows
    // up as a long time in hand instead.
    unsigned long long ahead = static_cast<unsigned long long>(elapsedMs) *
                               static_cast<unsigned>(total - done) / static_cast<unsigned>(done);
    return ahead >= kProgressWorthMs;
}

}  // namespace tessera
