// libFuzzer target: a whole search run with the report writers, in memory.
#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/fuzzchecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bad = fuzz::checkSearchRun(fuzz::parseFuzzInput(data, size));
    if (!bad.empty()) {
        std::fprintf(stderr, "fuzz_run: %s\n", bad.c_str());
        std::abort();
    }
    return 0;
}
