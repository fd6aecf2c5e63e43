// The progress line of a long export on a terminal: messages done, total, MB/s.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace tessera {

class ProgressLine {
  public:
    // Shows nothing unless `enabled`; starts showing after `delay` of work.
    ProgressLine(FILE* out, bool enabled,
                 std::chrono::milliseconds delay = std::chrono::milliseconds(1000));
    // Called after each message with the count done, the bytes read so far and
    // the messages known (an mbox may still be being indexed).
    void Update(size_t done, uint64_t bytes, size_t total);
    // Clears the line if one was shown.
    void Finish();

  private:
    using Clock = std::chrono::steady_clock;
    FILE* out_;
    bool enabled_;
    std::chrono::milliseconds delay_;
    Clock::time_point start_;
    Clock::time_point lastShown_;
    bool shown_ = false;
};

}  // namespace tessera
