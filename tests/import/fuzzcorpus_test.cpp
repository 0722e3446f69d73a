// The seed corpus of the import's fuzz target, through the same checks, in every test run.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/core/test_util.h"
#include "tests/fuzz/importcheck.h"

namespace {

TEST(ImportFuzzCorpus, SeedsPassTheChecks) {
    const std::filesystem::path corpus = std::filesystem::path(MORVEX_SOURCE_DIR) / "tests/fuzz/corpus/fuzz_import";
    int seeds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        const std::string bytes = testutil::readFile(entry.path().string());
        EXPECT_EQ(fuzz::checkImport(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), "")
            << entry.path();
        ++seeds;
    }
    EXPECT_GE(seeds, 4);
}

} // namespace
