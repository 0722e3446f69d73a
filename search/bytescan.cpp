// Byte scanning of form files: a plain version of each operation, and the same operations over
// blocks of 64 bytes for SSE2 and for AVX2, chosen once at start-up.
#include "search/bytescan.h"

#include <cstdint>
#include <cstring>

#include "search/textutil.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define MORVEX_SCAN_X86 1
#endif

namespace search::scan {

namespace {

namespace plain {

std::size_t findCr(const char* text, std::size_t size, std::size_t from) {
    for (std::size_t i = from; i < size; ++i)
        if (text[i] == '\r') return i;
    return size;
}

// Whether offset p starts a line of the lines that begin at lineStart.
bool startsLine(const char* text, std::size_t lineStart, std::size_t p) {
    return p == lineStart || (p >= 1 && text[p - 1] == '\r') ||
           (p >= 2 && text[p - 1] == '\n' && text[p - 2] == '\r');
}

std::size_t findTerminator(const char* text, std::size_t size, std::size_t lineStart, std::size_t from,
                           std::size_t* crs, std::size_t nth, std::size_t* nthCr) {
    for (std::size_t p = from; p < size; ++p) {
        if (text[p] == '*' && startsLine(text, lineStart, p)) return p;
        if (text[p] == '\r' && ++*crs == nth) *nthCr = p;
    }
    return size;
}

bool matchesAt(const char* text, const char* needle, std::size_t length) {
    for (std::size_t j = 0; j < length; ++j)
        if (upperChar(text[j]) != needle[j]) return false;
    return true;
}

std::size_t findUpperCased(const char* text, std::size_t size, const char* needle, std::size_t length) {
    if (length == 0 || length > size) return std::string_view::npos;
    for (std::size_t i = 0; i + length <= size; ++i)
        if (matchesAt(text + i, needle, length)) return i;
    return std::string_view::npos;
}

bool isPlain(char c, char a, char b) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x20 && u < 0x80 && c != a && c != b;
}

std::size_t countPlain(const char* text, std::size_t size, char a, char b) {
    std::size_t i = 0;
    while (i < size && isPlain(text[i], a, b)) ++i;
    return i;
}

} // namespace plain

#if MORVEX_SCAN_X86

namespace sse2 {

struct Block {
    __m128i a, b, c, d;
};

inline Block load(const char* p) {
    return {_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32)),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48))};
}

inline std::uint64_t bits(__m128i v, __m128i c) {
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, c)));
}

inline std::uint64_t eq(const Block& block, char c) {
    const __m128i v = _mm_set1_epi8(c);
    return bits(block.a, v) | (bits(block.b, v) << 16) | (bits(block.c, v) << 32) | (bits(block.d, v) << 48);
}

inline bool any(const Block& block, char c) {
    const __m128i v = _mm_set1_epi8(c);
    const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block.a, v), _mm_cmpeq_epi8(block.b, v)),
                                      _mm_or_si128(_mm_cmpeq_epi8(block.c, v), _mm_cmpeq_epi8(block.d, v)));
    return _mm_movemask_epi8(hits) != 0;
}

// Counts in sixteen byte lanes, each growing by at most 4 a block, summed every 63 blocks.
class Counter {
public:
    Counter() : m_lanes(_mm_setzero_si128()) {}
    void add(const Block& block, char c) {
        const __m128i v = _mm_set1_epi8(c);
        // A byte equal to c compares as -1: subtracting adds one.
        m_lanes = _mm_sub_epi8(m_lanes, _mm_cmpeq_epi8(block.a, v));
        m_lanes = _mm_sub_epi8(m_lanes, _mm_cmpeq_epi8(block.b, v));
        m_lanes = _mm_sub_epi8(m_lanes, _mm_cmpeq_epi8(block.c, v));
        m_lanes = _mm_sub_epi8(m_lanes, _mm_cmpeq_epi8(block.d, v));
        if (++m_blocks == 63) drain();
    }
    std::size_t total() {
        drain();
        return m_total;
    }

private:
    void drain() {
        const __m128i sums = _mm_sad_epu8(m_lanes, _mm_setzero_si128());
        m_total += static_cast<std::size_t>(_mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4));
        m_lanes = _mm_setzero_si128();
        m_blocks = 0;
    }
    __m128i m_lanes;
    int m_blocks = 0;
    std::size_t m_total = 0;
};

// The baseline x86-64 has no popcount instruction.
inline std::size_t popcount(std::uint64_t x) {
    x = x - ((x >> 1) & 0x5555555555555555ull);
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<std::size_t>((x * 0x0101010101010101ull) >> 56);
}

inline std::size_t tz(std::uint64_t x) { return x ? static_cast<std::size_t>(__builtin_ctzll(x)) : 64; }

constexpr std::size_t kStep = 16;

inline std::uint64_t candidates16(const char* starts, const char* ends, char f1, char f2, char l1, char l2) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(starts));
    const __m128i e = _mm_loadu_si128(reinterpret_cast<const __m128i*>(ends));
    const __m128i both = _mm_and_si128(_mm_or_si128(_mm_cmpeq_epi8(s, _mm_set1_epi8(f1)), _mm_cmpeq_epi8(s, _mm_set1_epi8(f2))),
                                       _mm_or_si128(_mm_cmpeq_epi8(e, _mm_set1_epi8(l1)), _mm_cmpeq_epi8(e, _mm_set1_epi8(l2))));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(both));
}

inline std::uint64_t candidates(const char* starts, const char* ends, char f1, char f2, char l1, char l2) {
    return candidates16(starts, ends, f1, f2, l1, l2);
}

#include "search/bytescan_chunks.inc"

// Sixteen bytes at a time: a byte is not plain when it is below 0x20 as a signed byte (which
// takes in 0x80 to 0xFF) or equals a or b. Fields are short, so AVX2 gains nothing here.
std::size_t countPlain(const char* text, std::size_t size, char a, char b) {
    const __m128i low = _mm_set1_epi8(0x20), va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b);
    const auto stops = [&](__m128i v) {
        const __m128i stop = _mm_or_si128(_mm_cmplt_epi8(v, low), _mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)));
        return static_cast<unsigned>(_mm_movemask_epi8(stop));
    };
    std::size_t i = 0;
    for (; i + 16 <= size; i += 16) {
        const unsigned mask = stops(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i)));
        if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
    }
    if (i == size) return size;
    // The last bytes, most fields entirely, in a block padded with a stop.
    alignas(16) char block[16];
    std::memset(block, 0, sizeof block);
    std::memcpy(block, text + i, size - i);
    return i + static_cast<std::size_t>(__builtin_ctz(stops(_mm_load_si128(reinterpret_cast<const __m128i*>(block)))));
}

} // namespace sse2

// Everything up to the matching pop is compiled for AVX2; it runs only where the processor
// has it (avx2Kernels).
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,bmi,bmi2,popcnt"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,bmi,bmi2,popcnt")
#endif

namespace avx2 {

struct Block {
    __m256i low, high;
};

inline Block load(const char* p) {
    return {_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)),
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32))};
}

inline std::uint64_t eq(const Block& block, char c) {
    const __m256i v = _mm256_set1_epi8(c);
    const std::uint64_t low = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(block.low, v)));
    const std::uint64_t high = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(block.high, v)));
    return low | (high << 32);
}

inline bool any(const Block& block, char c) {
    const __m256i v = _mm256_set1_epi8(c);
    const __m256i hits = _mm256_or_si256(_mm256_cmpeq_epi8(block.low, v), _mm256_cmpeq_epi8(block.high, v));
    return !_mm256_testz_si256(hits, hits);
}

// Counts in 32 byte lanes, each growing by at most 2 a block, summed every 127 blocks.
class Counter {
public:
    Counter() : m_lanes(_mm256_setzero_si256()) {}
    void add(const Block& block, char c) {
        const __m256i v = _mm256_set1_epi8(c);
        // A byte equal to c compares as -1: subtracting adds one.
        m_lanes = _mm256_sub_epi8(m_lanes, _mm256_cmpeq_epi8(block.low, v));
        m_lanes = _mm256_sub_epi8(m_lanes, _mm256_cmpeq_epi8(block.high, v));
        if (++m_blocks == 127) drain();
    }
    std::size_t total() {
        drain();
        return m_total;
    }

private:
    void drain() {
        const __m256i sums = _mm256_sad_epu8(m_lanes, _mm256_setzero_si256());
        m_total += static_cast<std::size_t>(_mm256_extract_epi64(sums, 0) + _mm256_extract_epi64(sums, 1) +
                                            _mm256_extract_epi64(sums, 2) + _mm256_extract_epi64(sums, 3));
        m_lanes = _mm256_setzero_si256();
        m_blocks = 0;
    }
    __m256i m_lanes;
    int m_blocks = 0;
    std::size_t m_total = 0;
};

inline std::size_t popcount(std::uint64_t x) { return static_cast<std::size_t>(_mm_popcnt_u64(x)); }
inline std::size_t tz(std::uint64_t x) { return static_cast<std::size_t>(_tzcnt_u64(x)); }

constexpr std::size_t kStep = 32;

inline std::uint64_t candidates16(const char* starts, const char* ends, char f1, char f2, char l1, char l2) {
    return sse2::candidates16(starts, ends, f1, f2, l1, l2);
}

inline std::uint64_t candidates(const char* starts, const char* ends, char f1, char f2, char l1, char l2) {
    const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(starts));
    const __m256i e = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(ends));
    const __m256i both = _mm256_and_si256(
        _mm256_or_si256(_mm256_cmpeq_epi8(s, _mm256_set1_epi8(f1)), _mm256_cmpeq_epi8(s, _mm256_set1_epi8(f2))),
        _mm256_or_si256(_mm256_cmpeq_epi8(e, _mm256_set1_epi8(l1)), _mm256_cmpeq_epi8(e, _mm256_set1_epi8(l2))));
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(both));
}

#include "search/bytescan_chunks.inc"

} // namespace avx2

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#endif // MORVEX_SCAN_X86

const Kernels kPlain{"plain", plain::findCr, plain::findTerminator, plain::findUpperCased, plain::countPlain};
#if MORVEX_SCAN_X86
const Kernels kSse2{"SSE2", sse2::findCr, sse2::findTerminator, sse2::findUpperCased, sse2::countPlain};
const Kernels kAvx2{"AVX2", avx2::findCr, avx2::findTerminator, avx2::findUpperCased, sse2::countPlain};
#endif

} // namespace

const Kernels& plainKernels() {
    return kPlain;
}

const Kernels& sse2Kernels() {
#if MORVEX_SCAN_X86
    return kSse2;
#else
    return kPlain;
#endif
}

const Kernels* avx2Kernels() {
#if MORVEX_SCAN_X86
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
        __builtin_cpu_supports("popcnt"))
        return &kAvx2;
#endif
    return nullptr;
}

const Kernels& kernels() {
    static const Kernels& chosen = avx2Kernels() ? *avx2Kernels() : sse2Kernels();
    return chosen;
}

} // namespace search::scan
