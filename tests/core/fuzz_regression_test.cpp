// Replays the inputs kept from fuzzing, and the seed corpus, through the fuzz targets' checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/core/test_util.h"
#include "tests/fuzz/fuzzchecks.h"

namespace {

using Check = std::function<std::string(const fuzz::FuzzInput&)>;

// The files of tests/fuzz/<kind>/<target>/, sorted; none when the folder does not exist.
std::vector<std::string> inputsOf(const std::string& kind, const std::string& target) {
    const std::filesystem::path folder =
        std::filesystem::path(MORVEX_SOURCE_DIR) / "tests/fuzz" / kind / target;
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        if (entry.is_regular_file()) files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

void replay(const std::vector<std::string>& files, const Check& check) {
    for (const std::string& file : files) {
        const std::string bytes = testutil::readFile(file);
        const fuzz::FuzzInput input =
            fuzz::parseFuzzInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        EXPECT_EQ(check(input), "") << file;
    }
}

TEST(FuzzRegression, ReaderInputsKeptFromCrashesPass) {
    replay(inputsOf("regressions", "fuzz_reader"), fuzz::checkFormReader);
}

TEST(FuzzRegression, RunInputsKeptFromCrashesPass) {
    replay(inputsOf("regressions", "fuzz_run"), fuzz::checkSearchRun);
}

TEST(FuzzRegression, ReaderSeedCorpusPasses) {
    const std::vector<std::string> files = inputsOf("corpus", "fuzz_reader");
    EXPECT_FALSE(files.empty());
    replay(files, fuzz::checkFormReader);
}

TEST(FuzzRegression, RunSeedCorpusPasses) {
    const std::vector<std::string> files = inputsOf("corpus", "fuzz_run");
    EXPECT_FALSE(files.empty());
    replay(files, fuzz::checkSearchRun);
}

} // namespace
