// libFuzzer target: the form reader and the criteria test on arbitrary form file bytes.
#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/fuzzchecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bad = fuzz::checkFormReader(fuzz::parseFuzzInput(data, size));
    if (!bad.empty()) {
        std::fprintf(stderr, "fuzz_reader: %s\n", bad.c_str());
        std::abort();
    }
    return 0;
}
