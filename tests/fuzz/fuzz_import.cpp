// libFuzzer target: the record reader and the form builder on arbitrary document bytes.
#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/importcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bad = fuzz::checkImport(data, size);
    if (!bad.empty()) {
        std::fprintf(stderr, "fuzz_import: %s\n", bad.c_str());
        std::abort();
    }
    return 0;
}
