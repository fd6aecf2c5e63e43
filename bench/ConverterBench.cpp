// Throughput of the host's Japanese converters on mail-like lines, converted
// one line at a time as the export does.

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "host/MimeHeaderDecoder.h"
#include "mailstore/EucJpConverter.h"
#include "mailstore/Iso2022JpConverter.h"

namespace {

using tessera::AppendDecodedMimeHeader;
using tessera::AppendEucJpAsShiftJis;
using tessera::AppendIso2022JpAsShiftJis;

constexpr int kLines = 4000;

// A JIS X 0208 character: mostly hiragana, some katakana and kanji.
void AddJisChar(std::mt19937& rng, std::string& jis) {
    unsigned pick = rng() % 10;
    unsigned row = pick < 6 ? 0x24 : pick < 7 ? 0x25 : 0x30 + rng() % 0x20;
    unsigned cell = 0x21 + rng() % (row == 0x24 ? 0x53 : 0x5E);
    jis += static_cast<char>(row);
    jis += static_cast<char>(cell);
}

// Japanese lines of about 70 bytes with a few ASCII words, in both encodings.
void MakeJapaneseLines(std::vector<std::string>& iso, std::vector<std::string>& euc) {
    std::mt19937 rng(2024);
    for (int n = 0; n < kLines; ++n) {
        std::string isoLine, eucLine;
        while (isoLine.size() < 64) {
            std::string jis;
            for (unsigned k = 4 + rng() % 12; k > 0; --k) {
                AddJisChar(rng, jis);
            }
            isoLine += "\x1B$B" + jis + "\x1B(B";
            for (char c : jis) {
                eucLine += static_cast<char>(c | 0x80);
            }
            const char* word = rng() % 3 == 0 ? " PDF 2.0 " : "";
            isoLine += word;
            eucLine += word;
        }
        iso.push_back(isoLine + "\r\n");
        euc.push_back(eucLine + "\r\n");
    }
}

std::vector<std::string> AsciiLines() {
    std::vector<std::string> lines;
    for (int n = 0; n < kLines; ++n) {
        lines.push_back(
            "> The quarterly figures are attached; please review them before the meeting " +
            std::to_string(n) + ".\r\n");
    }
    return lines;
}

std::vector<std::string> HeaderLines() {
    std::vector<std::string> lines;
    for (int n = 0; n < kLines; ++n) {
        lines.push_back(
            n % 2 ? "Subject: =?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoQg==?=\r\n"
                  : "Received: from mail.example.com (mail.example.com [192.0.2.1]) by mx\r\n");
    }
    return lines;
}

template <void (*Convert)(std::string_view, std::string&)>
void RunLines(benchmark::State& state, const std::vector<std::string>& lines) {
    std::string out;
    size_t bytes = 0;
    for (const std::string& line : lines) {
        bytes += line.size();
    }
    for (auto _ : state) {
        for (const std::string& line : lines) {
            out.clear();
            Convert(line, out);
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

struct Inputs {
    std::vector<std::string> iso, euc, ascii = AsciiLines(), headers = HeaderLines();
    Inputs() { MakeJapaneseLines(iso, euc); }
};

const Inputs& Get() {
    static const Inputs inputs;
    return inputs;
}

void BM_Iso2022Jp_Japanese(benchmark::State& s) {
    RunLines<AppendIso2022JpAsShiftJis>(s, Get().iso);
}
void BM_Iso2022Jp_Ascii(benchmark::State& s) {
    RunLines<AppendIso2022JpAsShiftJis>(s, Get().ascii);
}
void BM_EucJp_Japanese(benchmark::State& s) { RunLines<AppendEucJpAsShiftJis>(s, Get().euc); }
void BM_EucJp_Ascii(benchmark::State& s) { RunLines<AppendEucJpAsShiftJis>(s, Get().ascii); }
void BM_MimeHeader_Mixed(benchmark::State& s) {
    RunLines<AppendDecodedMimeHeader>(s, Get().headers);
}

// The returning form, as the host wrapper calls it: one allocation per line.
void BM_Iso2022Jp_Japanese_Returning(benchmark::State& state) {
    size_t bytes = 0;
    for (const std::string& line : Get().iso) {
        bytes += line.size();
    }
    for (auto _ : state) {
        for (const std::string& line : Get().iso) {
            benchmark::DoNotOptimize(tessera::Iso2022JpToShiftJis(line));
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

BENCHMARK(BM_Iso2022Jp_Japanese);
BENCHMARK(BM_Iso2022Jp_Japanese_Returning);
BENCHMARK(BM_Iso2022Jp_Ascii);
BENCHMARK(BM_EucJp_Japanese);
BENCHMARK(BM_EucJp_Ascii);
BENCHMARK(BM_MimeHeader_Mixed);

}  // namespace

BENCHMARK_MAIN();
