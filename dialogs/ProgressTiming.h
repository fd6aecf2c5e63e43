// When a long export's progress window is worth showing. Window-free, so that
// the rule is tested without a clock.
#pragma once

namespace tessera {

// An export that has run this long may show its progress window...
constexpr unsigned kProgressDelayMs = 500;
// ...when about this much of it still seems to be ahead.
constexpr unsigned kProgressWorthMs = 300;

// True when the window should show now: the export has run `elapsedMs` (at
// least `delayMs`), `done` of `total` messages are through and the message
// in hand has taken `inHandMs` so far. One that looks about to end shows
// nothing: a window that would flash by only costs time.
bool ProgressWorthShowing(unsigned elapsedMs, unsigned delayMs, int done, int total,
                          unsigned inHandMs);

}  // namespace tessera
