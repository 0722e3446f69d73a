// The layout of a fuzz input: a header line with the criteria and options, then a form file.
#ifndef TESTS_FUZZ_FUZZINPUT_H
#define TESTS_FUZZ_FUZZINPUT_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "search/criteria.h"

namespace fuzz {

/// One fuzz input cut into its parts. The header is everything before the first LF, cut at
/// "|" into fields: fields 1 to 10 are the criteria texts 0 to 9, field 11 the data-held
/// filter ("+" at ULMA, "-" not at ULMA, anything else either), field 12 the line probe and
/// field 13 the options, letters each followed by an optional number:
///   c<N> read blocks of N bytes from the file (default 7)
///   b<N> a form reader buffer of N bytes to start with (default 16; form reader only)
///   k<N> the Break command at the N-th form (run only)
///   f<N> output N (1 kerforms.htm, 2 kerheads.htm, 3 ker3.txt, 4 the extraction) cannot be written
///   t    the form file is chosen twice (run only)
/// Everything after the first LF is the form file. An input without LF is a header only.
///   "|NORWAY|||AUG|||||H09|+||c3\n1995^..." => country NORWAY, month AUG, parameter H09,
///                                            data at ULMA, blocks of 3 bytes
///   "\n1995^..."                            => no criteria, default options
struct FuzzInput {
    search::CriteriaSet criteria;
    std::string probe;
    std::size_t readChunk = 7;
    std::size_t blockSize = 16;
    long long breakAt = 0; // 0: no Break
    int failingOutput = 0; // 0: every output can be written
    bool chosenTwice = false;
    std::string formFile;
};

/// Cuts raw fuzzer bytes into a FuzzInput; never fails. Numbers are clamped to sane ranges.
FuzzInput parseFuzzInput(const std::uint8_t* data, std::size_t size);

} // namespace fuzz

#endif // TESTS_FUZZ_FUZZINPUT_H
