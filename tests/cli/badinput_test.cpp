// Bad inputs and hostile output folders for morvex-search: message, exit status, no damage.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/cli/process.h"
#include "tests/core/test_util.h"

namespace {

using clitest::Result;
using clitest::runSearch;
using testutil::fileExists;
using testutil::readFile;
using testutil::writeFile;

constexpr int kCompleted = 0;
constexpr int kStopped = 1;
constexpr int kRefused = 2;

// A form of the given number of form lines: line 0 with the reference, line 1 the country.
std::string makeForm(int reference, const std::string& country, int lines = 12) {
    std::string out = "1995^95XX^" + std::to_string(reference) + "^^2^WOCE\r\n" + country + "\r\n";
    for (int n = 2; n < lines; ++n)
        out += (n < 10 ? "line " : "H09^") + std::to_string(n) + "\r\n";
    return out + "*\r\n";
}

std::string threeForms() {
    return makeForm(1, "Norway") + makeForm(2, "France") + makeForm(3, "Norway");
}

std::string earlier(const std::string& path) {
    return "earlier " + path + "\r\n";
}

struct CliBadInput : ::testing::Test {
    testutil::TempDir dir;
    std::string input = dir.file("KER1995.INF");
    const std::vector<std::string> outputs = {"kerforms.htm", "kerheads.htm", "ker3.txt", "kerxxxx.inf"};

    void writeEarlierOutputs() {
        for (const std::string& name : outputs)
            writeFile(dir.file(name), earlier(dir.file(name)));
    }
    void expectEarlier(const std::string& name) const {
        EXPECT_EQ(readFile(dir.file(name)), earlier(dir.file(name))) << name;
    }
    void expectAllEarlier() const {
        for (const std::string& name : outputs)
            expectEarlier(name);
    }
    std::string counts(long long read, long long selected) const {
        return "Forms Read:-  " + std::to_string(read) + " Forms Selected:-  " + std::to_string(selected) +
               "\n";
    }
    std::string selectedOut(long long read, long long selected) const {
        std::string out = counts(read, selected);
        for (const std::string& name : outputs)
            out += dir.file(name) + "\n";
        return out;
    }
    std::string malformed(const std::string& path) const {
        return "Program Aborts -" + path + " is not correctly formatted\n";
    }
};

TEST_F(CliBadInput, MissingFormFileIsRefused) {
    writeEarlierOutputs();
    Result r = runSearch({"--country", "norway", dir.file("KER1994.INF")});
    EXPECT_EQ(r.status, kRefused);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "morvex-search: error: " + dir.file("KER1994.INF") + ": No such file or directory\n");
    expectAllEarlier();
}

TEST_F(CliBadInput, FolderAsFormFileStopsTheRun) {
    writeEarlierOutputs();
    std::filesystem::create_directory(dir.file("KER1994.INF"));
    Result r = runSearch({"--country", "norway", dir.file("KER1994.INF")});
    EXPECT_EQ(r.status, kStopped);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Program Aborts - cannot read " + dir.file("KER1994.INF") + ": Is a directory\n");
    expectAllEarlier();
}

TEST_F(CliBadInput, EmptyFileSelectsNothing) {
    writeEarlierOutputs();
    writeFile(input, "");
    Result r = runSearch({"--all", input});
    EXPECT_EQ(r.status, kCompleted);
    EXPECT_EQ(r.out, counts(0, 0) + "So Sorry, no forms selected\n");
    EXPECT_EQ(r.err, "");
    for (const char* name : {"kerforms.htm", "kerheads.htm", "ker3.txt"})
        expectEarlier(name);
    EXPECT_FALSE(fileExists(dir.file("kerxxxx.inf")));
}

TEST_F(CliBadInput, RandomBytesStopTheRunAsMalformed) {
    writeEarlierOutputs();
    std::mt19937 generator(1995);
    std::string bytes;
    while (bytes.size() < (1 << 20)) {
        const std::uint32_t word = generator();
        for (int i = 0; i < 4; ++i)
            bytes += static_cast<char>((word >> (8 * i)) & 0xFF);
    }
    writeFile(input, bytes);
    Result r = runSearch({"--parameter", "H09", input});
    EXPECT_EQ(r.status, kStopped);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, malformed(input));
    expectAllEarlier();
}

TEST_F(CliBadInput, NulBytesPassThrough) {
    const std::string nul("\0", 1);
    const std::string form = "1995^95XX^1^^2^W" + nul + "OCE\r\nNor" + nul + "way\r\n*\r\n";
    writeFile(input, form + makeForm(2, "France"));
    Result r = runSearch({"--country", "nor", input});
    EXPECT_EQ(r.status, kCompleted) << r.err;
    EXPECT_EQ(r.out, selectedOut(2, 1));
    EXPECT_EQ(readFile(dir.file("kerxxxx.inf")), form);
}

TEST_F(CliBadInput, LineOf64MegabytesWithoutCrHoldsNoForm) {
    writeEarlierOutputs();
    {
        std::ofstream out(input, std::ios::binary);
        const std::string block(1 << 20, 'x');
        for (int i = 0; i < 64; ++i)
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    Result r = runSearch({"--all", input});
    EXPECT_EQ(r.status, kCompleted) << r.err;
    EXPECT_EQ(r.out, counts(0, 0) + "So Sorry, no forms selected\n");
    expectEarlier("kerheads.htm");
    expectEarlier("kerforms.htm");
}

TEST_F(CliBadInput, TenThousandFormsOfTwoHundredLinesAreRead) {
    {
        std::ofstream out(input, std::ios::binary);
        for (int i = 1; i <= 10000; ++i)
            out << makeForm(i, i % 1000 == 0 ? "Norway" : "France", 200);
    }
    Result r = runSearch({"--country", "norway", input});
    EXPECT_EQ(r.status, kCompleted) << r.err;
    EXPECT_EQ(r.out, selectedOut(10000, 10));
}

TEST_F(CliBadInput, MalformedFormAfterSelectionsKeepsTheEarlierExtraction) {
    writeEarlierOutputs();
    writeFile(input, threeForms() + makeForm(4, "Norway", 201));
    Result r = runSearch({"--country", "norway", input});
    EXPECT_EQ(r.status, kStopped);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, malformed(input));
    expectEarlier("kerxxxx.inf");
    EXPECT_EQ(readFile(dir.file("kerxxxx.fin")), makeForm(1, "Norway") + makeForm(3, "Norway"));
}

TEST_F(CliBadInput, MissingOutputFolderIsRefused) {
    writeFile(input, threeForms());
    Result r = runSearch({"--all", "--output-dir", dir.file("missing"), input});
    EXPECT_EQ(r.status, kRefused);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "morvex-search: error: --output-dir: " + dir.file("missing") + ": not an existing folder\n");
    EXPECT_FALSE(fileExists(dir.file("missing")));
}

TEST_F(CliBadInput, ReportPathThatIsAFolderStopsTheRun) {
    writeEarlierOutputs();
    std::filesystem::remove(dir.file("kerheads.htm"));
    std::filesystem::create_directory(dir.file("kerheads.htm"));
    writeFile(input, threeForms());
    Result r = runSearch({"--country", "norway", input});
    EXPECT_EQ(r.status, kStopped);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Program Aborts - cannot write " + dir.file("kerheads.htm") + ": Is a directory\n");
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("kerheads.htm")));
    expectEarlier("kerxxxx.inf");
}

TEST_F(CliBadInput, ReportOnAFullDeviceStopsTheRun) {
    if (!fileExists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    writeEarlierOutputs();
    std::filesystem::remove(dir.file("kerheads.htm"));
    std::filesystem::create_symlink("/dev/full", dir.file("kerheads.htm"));
    writeFile(input, threeForms());
    Result r = runSearch({"--country", "norway", input});
    EXPECT_EQ(r.status, kStopped);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "Program Aborts - cannot write " + dir.file("kerheads.htm") + ": No space left on device\n");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("kerheads.htm")));
    expectEarlier("kerxxxx.inf");
}

TEST_F(CliBadInput, SameFileTwiceIsSearchedTwice) {
    writeFile(input, threeForms());
    Result r = runSearch({"--country", "norway", input, input});
    EXPECT_EQ(r.status, kCompleted) << r.err;
    EXPECT_EQ(r.out, selectedOut(6, 4));
    const std::string once = makeForm(1, "Norway") + makeForm(3, "Norway");
    EXPECT_EQ(readFile(dir.file("kerxxxx.inf")), once + once);
}

TEST_F(CliBadInput, ExtractionFileAsInputSelectsTheSameForms) {
    writeFile(input, threeForms());
    Result r = runSearch({"--country", "norway", input});
    ASSERT_EQ(r.status, kCompleted) << r.err;
    const std::string extraction = readFile(dir.file("kerxxxx.inf"));
    const std::string csv = readFile(dir.file("ker3.txt"));

    r = runSearch({"--country", "norway", dir.file("kerxxxx.inf")});
    EXPECT_EQ(r.status, kCompleted) << r.err;
    EXPECT_EQ(r.out, selectedOut(2, 2));
    EXPECT_EQ(readFile(dir.file("kerxxxx.inf")), extraction);
    EXPECT_EQ(readFile(dir.file("ker3.txt")), csv);
    EXPECT_FALSE(fileExists(dir.file("kerxxxx.fin")));
    EXPECT_NE(readFile(dir.file("kerheads.htm")).find("Years selected: XXXX<br>"), std::string::npos);
}

} // namespace
