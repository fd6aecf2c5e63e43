// Writes a file on a thread of its own, a piece behind the caller: the bytes
// are gathered into pieces, and while the system takes one the export makes
// the next. A failure is told by a later call, at the latest by Drain.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace tessera {

class BackgroundWriter {
  public:
    // Bytes gathered before a piece is handed over. Under Wine every hand-over
    // costs calls to its server, so pieces are larger there.
#if defined(_WIN32)
    static constexpr size_t kPieceBytes = 1024 * 1024;
#else
    static constexpr size_t kPieceBytes = 256 * 1024;
#endif

    // `write` writes all of a piece and gives 0 or the system's error number.
    explicit BackgroundWriter(std::function<int(const char*, size_t)> write)
        : write_(std::move(write)) {}
    // Waits for the piece in flight; what is gathered and not handed over is dropped.
    ~BackgroundWriter();
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // Takes a copy of the bytes. Gives the first error of what went before, and
    // once there is one, writes nothing more.
    int Put(const char* data, size_t size);
    // Writes everything taken and waits for it; the first error, or 0.
    int Drain();

  private:
    // Hands the gathered bytes over once the piece before is written.
    int HandOver();
    void Run();

    std::function<int(const char*, size_t)> write_;
    std::string gathered_;  // the caller's, until handed over
    int told_ = 0;          // the caller's: the failure a call has told
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string inFlight_;  // the writer thread's while busy_
    bool busy_ = false;
    bool stop_ = false;
    int error_ = 0;
    std::thread thread_;
};

}  // namespace tessera
