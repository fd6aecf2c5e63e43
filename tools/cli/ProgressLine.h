// The progress line of a long export on a terminal: messages done, total, MB/s.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace tessera {

class ProgressLine {
public:
    // Shows nothing unless `enabled`; starts showing after `delay` of work.
    ProgressLine(FILE* out, bool enabled, size_t total,
                 std::chrono::milliseconds delay = std::chrono::milliseconds(1000));
    // Called after each message with the count done and the bytes read so far.
    void Update(size_t done, uint64_t bytes);
    // Clears the line if one was shown.
    void Finish();

private:
    using Clock = std::chrono::steady_clock;
    FILE* out_;
    bool enabled_;
    size_t total_;
    std::chrono::milliseconds delay_;
    Clock::time_point start_;
    Clock::time_point lastShown_;
    bool shown_ = false;
};

}  // namespace tessera
