// Memory the message store's index of an mbox takes per message, for a box of
// many small messages (target: at most 64 bytes a message). Build with -O2:
//   MboxIndexBench [messages]   (default 1,000,000; exit 1 when over the target)
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "mailstore/MessageStore.h"

namespace {

constexpr double kTargetBytes = 64;

// Bytes of heap in use (small blocks and mapped ones).
size_t HeapInUse() {
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// An mbox of `count` messages of a few lines each, in the temp folder.
bool WriteBox(const std::string& path, size_t count) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    for (size_t i = 0; i < count; ++i) {
        std::fprintf(file, "From a@example.jp Mon Dec  7 08:00:00 2026\nSubject: %zu\n\nb\n\n", i);
    }
    return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
    char folder[] = "/tmp/tessera-index-XXXXXX";
    if (count == 0 || !mkdtemp(folder)) return 2;
    std::string path = std::string(folder) + "/box.mbox";
    bool written = WriteBox(path, count);
    int status = 2;
    if (written) {
        tessera::MessageStore store;
        std::string error;
        size_t before = HeapInUse();
        auto start = std::chrono::steady_clock::now();
        if (store.AddPath(path, error) && store.Count() == count) {
            double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            double perMessage =
                static_cast<double>(HeapInUse() - before) / static_cast<double>(count);
            rusage usage{};
            getrusage(RUSAGE_SELF, &usage);
            std::printf(
                "messages: %zu\nindexed in: %.2f s\nbytes per message: %.1f\npeak RSS: %.1f MB\n",
                count, seconds, perMessage, usage.ru_maxrss / 1024.0);
            status = perMessage <= kTargetBytes ? 0 : 1;
        } else {
            std::fprintf(stderr, "MboxIndexBench: indexing failed %s\n", error.c_str());
        }
    }
    unlink(path.c_str());
    rmdir(folder);
    return status;
}
