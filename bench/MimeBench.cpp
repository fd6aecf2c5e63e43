// Times MimePart::Parse plus Serialize over a directory of .eml files (from
// gen_corpus.py), checks that time grows linearly with message size, and reports
// peak memory against the largest message. Build with -O2, no sanitizers:
//   MimeBench <eml-dir> [repeats]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "export/mime/MimePart.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream data;
    data << in.rdbuf();
    return data.str();
}

// Seconds for one parse and serialise of text; the output size goes to `written`.
double TimeOne(const std::string& text, size_t& written) {
    const auto start = Clock::now();
    tessera::MimePart root;
    const char* cursor = text.c_str();
    root.Parse(cursor);
    const std::string out = root.Serialize();
    written = out.size();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double BestOf(const std::string& text, int repeats) {
    double best = 1e9;
    size_t written = 0;
    for (int i = 0; i < repeats; ++i) best = std::min(best, TimeOne(text, written));
    return best;
}

long PeakRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A multipart message with a text part and a base64 attachment of `lines` lines.
std::string SyntheticMessage(size_t lines) {
    std::string text =
        "From: a@example.jp\r\nContent-Type: multipart/mixed; boundary=\"=_b\"\r\n\r\n"
        "--=_b\r\nContent-Type: text/plain; charset=iso-2022-jp\r\n\r\n"
        "\x1b$B$3$s$K$A$O\x1b(B\r\n--=_b\r\nContent-Type: application/pdf\r\n\r\n";
    const std::string line(76, 'Q');
    for (size_t i = 0; i < lines; ++i) text += line + "\r\n";
    return text + "--=_b--\r\n";
}

// Pairs on both sides of glibc's 32 MB mmap threshold: below it freed memory is
// reused from the heap, above it every run touches fresh pages, so the pair that
// straddles it compares two regimes; the pairs within one regime show the scaling.
void Linearity() {
    for (size_t lines : {100000UL, 400000UL, 800000UL}) {
        const std::string small = SyntheticMessage(lines);
        const std::string large = SyntheticMessage(lines * 2);
        const double a = BestOf(small, 5);
        const double b = BestOf(large, 5);
        std::printf("linearity: %.1f MB in %.4f s, %.1f MB in %.4f s, ratio %.2f\n",
                    small.size() / 1e6, a, large.size() / 1e6, b, b / a);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <eml-dir> [repeats]\n", argv[0]);
        return 2;
    }
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
        if (entry.path().extension() == ".eml") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    const long baseline = PeakRssKiB();
    double seconds = 0;
    size_t bytes = 0;
    size_t largest = 0;
    for (const auto& path : files) {
        const std::string text = ReadFile(path);  // reading is not timed
        seconds += BestOf(text, repeats);
        bytes += text.size();
        largest = std::max(largest, text.size());
    }
    const long peak = PeakRssKiB();
    std::printf("%zu messages, %.1f MB: parse+serialise %.3f s, %.0f MB/s (best of %d each)\n",
                files.size(), bytes / 1e6, seconds, bytes / 1e6 / seconds, repeats);
    std::printf("largest message %.1f MB; peak RSS %.1f MB (%.1f MB before), %.2fx the largest\n",
                largest / 1e6, peak / 1024.0, baseline / 1024.0, peak * 1024.0 / largest);
    Linearity();
    return 0;
}
