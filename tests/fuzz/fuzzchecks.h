// The properties the fuzz targets check on one input; shared with the regression test.
#ifndef TESTS_FUZZ_FUZZCHECKS_H
#define TESTS_FUZZ_FUZZCHECKS_H

#include <string>

#include "tests/fuzz/fuzzinput.h"

namespace fuzz {

/// Cuts the form file with FormReader and compares every form with a plain reference cutter;
/// the criteria test on the lines in place must agree with the test on the joined text.
/// Returns the first disagreement, empty when there is none.
std::string checkFormReader(const FuzzInput& input);

/// Runs a whole search with ReportForm in memory over earlier output files and checks the
/// outcome, the counts, the messages, which earlier files survive, that no form text reaches
/// the HTML files unescaped, and that the extraction file selects the same forms again.
/// Returns the first broken property, empty when there is none.
std::string checkSearchRun(const FuzzInput& input);

} // namespace fuzz

#endif // TESTS_FUZZ_FUZZCHECKS_H
