#include "tools/cli/ProgressLine.h"

namespace tessera {

ProgressLine::ProgressLine(FILE* out, bool enabled, std::chrono::milliseconds delay)
    : out_(out), enabled_(enabled), delay_(delay), start_(Clock::now()) {}

void ProgressLine::Update(size_t done, uint64_t bytes, size_t total) {
    if (!enabled_) return;
    Clock::time_point now = Clock::now();
    if (now - start_ < delay_) return;
    // A few updates a second are enough for the eye and cost nothing.
    if (shown_ && now - lastShown_ < std::chrono::milliseconds(200) && done < total) return;
    double seconds = std::chrono::duration<double>(now - start_).count();
    double megabytes = static_cast<double>(bytes) / 1e6;
    std::fprintf(out_, "\r%zu/%zu messages, %.1f MB, %.1f MB/s ", done, total, megabytes,
                 seconds > 0 ? megabytes / seconds : 0.0);
    std::fflush(out_);
    lastShown_ = now;
    shown_ = true;
}

void ProgressLine::Finish() {
    if (!shown_) return;
    std::fputc('\n', out_);
    std::fflush(out_);
    shown_ = false;
}

}  // namespace tessera
