// Byte scanning of form files: line ends, terminator lines, the case-insensitive search.
#ifndef SEARCH_BYTESCAN_H
#define SEARCH_BYTESCAN_H

#include <cstddef>
#include <string_view>

namespace search::scan {

/// One implementation of the scanning operations. The plain one reads a byte at a time; the
/// vectorised ones (SSE2, the baseline of x86-64, and AVX2) read 16 or 64 bytes at a time and
/// give exactly the same answers. None reads outside [0, size).
struct Kernels {
    const char* name;

    /// Offset of the first CR in [from, size), or size.
    std::size_t (*findCr)(const char* text, std::size_t size, std::size_t from);

    /// Offset of the first "*" in [from, size) that starts a line, or size. A line starts at
    /// lineStart (at most from), after a CR, and after a CR LF; the bytes before from count for
    /// the line starts after it. Adds the CRs in [from, that offset) to *crs, and when the
    /// nth CR counted (from 1, the CRs of earlier calls included) is among them, writes its
    /// offset to *nthCr.
    std::size_t (*findTerminator)(const char* text, std::size_t size, std::size_t lineStart, std::size_t from,
                                  std::size_t* crs, std::size_t nth, std::size_t* nthCr);

    /// Offset of the first place where text, upper-cased, holds needle, or npos. needle is
    /// upper-case and not empty.
    std::size_t (*findUpperCased)(const char* text, std::size_t size, const char* needle, std::size_t length);

    /// Number of bytes at the start of text that are printable ASCII (0x20 to 0x7F) other than
    /// a and b: the run that a writer of JSON ('"', '\\') or CSV (',', '"') copies as it stands.
    std::size_t (*countPlain)(const char* text, std::size_t size, char a, char b);
};

const Kernels& plainKernels();
/// The SSE2 kernels; the plain ones where the processor is not x86-64.
const Kernels& sse2Kernels();
/// The AVX2 kernels, or nullptr when this processor or build has none.
const Kernels* avx2Kernels();
/// The fastest kernels this processor runs, chosen at the first call.
const Kernels& kernels();

inline std::size_t findCr(std::string_view text, std::size_t from = 0) {
    return kernels().findCr(text.data(), text.size(), from);
}

inline std::size_t countPlain(std::string_view text, char a, char b) {
    return kernels().countPlain(text.data(), text.size(), a, b);
}

} // namespace search::scan

#endif // SEARCH_BYTESCAN_H
