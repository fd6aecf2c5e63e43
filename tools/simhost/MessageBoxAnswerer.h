// The simulated host runs headless: a background thread answers the plug-in's
// message boxes (errors, the end of a long export) with OK and keeps their
// texts, so that scripted runs never wait on a box nobody can see.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tessera {

class MessageBoxAnswerer {
  public:
    MessageBoxAnswerer();
    ~MessageBoxAnswerer();
    // Texts of the boxes answered since the last call.
    std::vector<std::string> TakeTexts();

  private:
    void Run();
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> texts_;
    std::thread thread_;
};

}  // namespace tessera
