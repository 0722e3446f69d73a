// The checks of the import's fuzz target: any bytes as a document of CSR records.
#ifndef TESTS_FUZZ_IMPORTCHECK_H
#define TESTS_FUZZ_IMPORTCHECK_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

/// Reads data as one document with the record reader (in small blocks), makes a form of each
/// record and checks that every form could stand in a form file: lines 0 to 9 and at most 200
/// lines, no line beginning with "*", no CR or LF in a line, and the "^" separators of the
/// lines of fixed shape where they belong. Returns what is wrong, empty when nothing is.
std::string checkImport(const std::uint8_t* data, std::size_t size);

} // namespace fuzz

#endif // TESTS_FUZZ_IMPORTCHECK_H
