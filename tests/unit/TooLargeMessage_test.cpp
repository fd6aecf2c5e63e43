// A message too large to hold in memory: tessera-export under an address-space
// limit names it, goes on where the format allows and exits with status 1.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// Sanitizers reserve more address space than the limit leaves: the release build runs.
const std::string kBinary = std::string(TESSERA_BINARY_DIR) + "/../native/tessera-export";

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct TooLargeCase {
    const char* format;
    bool smallExported;  // the message after the large one
};

class TooLargeMessage : public ::testing::TestWithParam<TooLargeCase> {};

TEST_P(TooLargeMessage, IsNamedAndTheExportGoesOnWhereItCan) {
    if (!fs::exists(kBinary)) GTEST_SKIP() << kBinary << " (the release build) was not built";
    const TooLargeCase& c = GetParam();
    char pattern[] = "/tmp/tessera-large-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path dir = pattern;
    // 24 MB of 1-byte lines: its source fits under the limit, the source and its lines do not.
    std::string big = "Subject: big\n\n";
    big.reserve(big.size() + (24u << 20));
    for (size_t i = 0; i < (12u << 20); ++i) big += "a\n";
    std::ofstream(dir / "big.eml", std::ios::binary) << big;
    std::ofstream(dir / "small.eml", std::ios::binary) << "Subject: small\r\n\r\nhello\r\n";
    fs::create_directory(dir / "out");
    const std::string output = std::string(c.format) == "eml" ? "out" : "out/all.txt";
    const std::string command = "cd " + dir.string() + " && ulimit -v 40960 && LC_ALL=C.UTF-8 " +
                                kBinary + " --quiet --format " + c.format + " --output " + output +
                                " big.eml small.eml 2>err.txt";
    const int status = std::system(("sh -c '" + command + "'").c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::string err = ReadAll(dir / "err.txt");
    EXPECT_NE(err.find("big.eml: too large to hold in memory"), std::string::npos) << err;
    EXPECT_EQ(ReadAll(dir / "out" / (c.smallExported ? "small.eml" : "all.txt")).find("hello") !=
                  std::string::npos,
              c.smallExported)
        << err;
    fs::remove_all(dir);
}

// One file per message carries on; a single file stops at the failed message.
INSTANTIATE_TEST_SUITE_P(Formats, TooLargeMessage,
                         ::testing::Values(TooLargeCase{"eml", true}, TooLargeCase{"mbox", false}));

}  // namespace
