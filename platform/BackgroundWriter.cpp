#include "platform/BackgroundWriter.h"

namespace tessera {

BackgroundWriter::~BackgroundWriter() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

int BackgroundWriter::Put(const char* data, size_t size) {
    if (told_ != 0) return told_;
    // A piece stays within its size (but for bytes given at once beyond it),
    // so that the two held stay small.
    if (!gathered_.empty() && gathered_.size() + size > kPieceBytes) {
        if (const int error = HandOver()) return error;
    }
    if (gathered_.capacity() < kPieceBytes) gathered_.reserve(kPieceBytes);
    gathered_.append(data, size);
    return gathered_.size() >= kPieceBytes ? HandOver() : 0;
}

int BackgroundWriter::Drain() {
    const int error = gathered_.empty() ? 0 : HandOver();
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    return error != 0 ? error : error_;
}

int BackgroundWriter::HandOver() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    if (error_ != 0) {
        gathered_.clear();
        told_ = error_;
        return told_;
    }
    inFlight_.swap(gathered_);
    gathered_.clear();
    busy_ = true;
    if (!thread_.joinable()) {
        try {
            thread_ = std::thread([this] { Run(); });
        } catch (...) {
            // No thread: this piece is written here, and the next tries again.
            busy_ = false;
            told_ = error_ = write_(inFlight_.data(), inFlight_.size());
            return told_;
        }
    }
    lock.unlock();
    changed_.notify_all();
    return 0;
}

void BackgroundWriter::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
        changed_.wait(lock, [this] { return busy_ || stop_; });
        if (!busy_) return;
        lock.unlock();
        const int error = write_(inFlight_.data(), inFlight_.size());
        lock.lock();
        if (error_ == 0) error_ = error;
        busy_ = false;
        changed_.notify_all();
    }
}

}  // namespace tessera
