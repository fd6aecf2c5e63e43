// Time to name the .eml files of an export whose messages share one Subject,
// against one whose Subjects all differ (target: at most twice as long).
// Rounds alternate the two, so that the machine's load weighs on both alike.
//   NamingBench [messages] [rounds]   (default 100,000 and 5; exit 1 when over)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "export/framing/FileNaming.h"

namespace {

constexpr double kTargetRatio = 2.0;

double NameAll(size_t count, bool oneSubject) {
    auto start = std::chrono::steady_clock::now();
    tessera::NameRegistry names;
    size_t bytes = 0;
    for (size_t i = 0; i < count; ++i) {
        const std::string subject = oneSubject ? std::string("Re: weekly report")
                                               : "Re: weekly report " + std::to_string(i);
        bytes += tessera::UniqueFileName(names, subject, ".eml", 20, 259).size();
    }
    if (bytes == 0) std::abort();  // keeps the work
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    std::vector<double> ratios;
    double same = 0, distinct = 0;
    for (int round = 0; round < rounds; ++round) {
        const double a = NameAll(count, true);
        const double b = NameAll(count, false);
        same += a;
        distinct += b;
        ratios.push_back(a / b);
    }
    std::sort(ratios.begin(), ratios.end());
    const double median = ratios[ratios.size() / 2];
    std::printf(
        "messages: %zu\none Subject: %.3f s a round\ndistinct Subjects: %.3f s a round\n"
        "ratio (median of %d interleaved rounds): %.2f\n",
        count, same / rounds, distinct / rounds, rounds, median);
    return median <= kTargetRatio ? 0 : 1;
}
