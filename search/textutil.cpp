// Single-byte text helpers shared by the search engine and the report writers.
#include "search/textutil.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <system_error>
#include "search/bytescan.h"

namespace search {

namespace {

// Windows-1252 letter case: ASCII, the accented letters 0xE0-0xFE (0xF7 is the division sign),
// and the four letters outside that block (s, oe and z with caron, y with diaeresis).
constexpr std::array<unsigned char, 256> makeUpperTable() {
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i) t[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i);
    for (int c = 'a'; c <= 'z'; ++c) t[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c - 0x20);
    for (int c = 0xE0; c <= 0xFE; ++c)
        if (c != 0xF7) t[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c - 0x20);
    t[0x9A] = 0x8A;
    t[0x9C] = 0x8C;
    t[0x9E] = 0x8E;
    t[0xFF] = 0x9F;
    return t;
}

constexpr std::array<unsigned char, 256> makeLowerTable() {
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i) t[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i);
    for (int c = 'A'; c <= 'Z'; ++c) t[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c + 0x20);
    for (int c = 0xC0; c <= 0xDE; ++c)
        if (c != 0xD7) t[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c + 0x20);
    t[0x8A] = 0x9A;
    t[0x8C] = 0x9C;
    t[0x8E] = 0x9E;
    t[0x9F] = 0xFF;
    return t;
}

constexpr auto kUpper = makeUpperTable();
constexpr auto kLower = makeLowerTable();

// For each upper-case byte, the other byte that upper-cases to it (itself when none).
constexpr std::array<unsigned char, 256> makeOtherCaseTable() {
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i) t[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i);
    for (int i = 0; i < 256; ++i)
        if (kUpper[static_cast<std::size_t>(i)] != i) t[kUpper[static_cast<std::size_t>(i)]] = static_cast<unsigned char>(i);
    return t;
}

} // namespace

const std::array<unsigned char, 256> detail::kUpperCase = kUpper;
const std::array<unsigned char, 256> detail::kOtherCase = makeOtherCaseTable();

char lowerChar(char c) { return static_cast<char>(kLower[static_cast<unsigned char>(c)]); }

std::string upperCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = upperChar(c);
    return out;
}

std::string lowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = lowerChar(c);
    return out;
}

std::size_t findUpperCased(std::string_view text, std::string_view upperNeedle) {
    return scan::kernels().findUpperCased(text.data(), text.size(), upperNeedle.data(), upperNeedle.size());
}

bool containsUpperCased(std::string_view text, std::string_view upperNeedle) {
    if (upperNeedle.empty()) return !text.empty();
    return findUpperCased(text, upperNeedle) != std::string_view::npos;
}

namespace {


} // namespace

std::string_view trimBlanks(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ') ++b;
    while (e > b && text[e - 1] == ' ') --e;
    return text.substr(b, e - b);
}

std::string_view field(std::string_view line, int n) {
    if (n < 1 || n > 8) return {};
    std::size_t start = 0;
    for (int f = 1; f < n; ++f) {
        std::size_t sep = line.find('^', start);
        if (sep == std::string_view::npos) return {};
        start = sep + 1;
    }
    if (n == 8) return line.substr(start);
    std::size_t sep = line.find('^', start);
    return line.substr(start, sep == std::string_view::npos ? std::string_view::npos : sep - start);
}

Fields::Fields(std::string_view line) {
    std::size_t start = 0;
    for (;;) {
        if (m_count == 7) {
            m_fields[m_count++] = line.substr(start); // field 8 keeps further separators
            return;
        }
        std::size_t sep = line.find('^', start);
        if (sep == std::string_view::npos) {
            m_fields[m_count++] = line.substr(start);
            return;
        }
        m_fields[m_count++] = line.substr(start, sep - start);
        start = sep + 1;
    }
}

std::string_view left(std::string_view text, std::size_t n) { return text.substr(0, n); }

std::string_view mid(std::string_view text, std::size_t start, std::size_t n) {
    if (start < 1 || start > text.size()) return {};
    return text.substr(start - 1, n);
}

double numericValue(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t start = i;
    bool any = false;
    bool nonZeroWhole = false; // a digit other than 0 before the point: too large, not too small
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        any = true;
        nonZeroWhole = nonZeroWhole || text[i] != '0';
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
            any = true;
    }
    if (!any) return 0;
    // The correctly rounded value of exactly these characters; from_chars leaves the value
    // alone when it is out of range, which is infinity for a long whole part and 0 otherwise.
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data() + start, text.data() + i, value, std::chars_format::fixed);
    (void)end;
    if (ec == std::errc::result_out_of_range)
        value = nonZeroWhole ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
}

float singlePrecision(double v) {
    // Halfway between the largest single and 2^128: from here on the nearest single is infinity
    // (the largest single has an odd last digit, so the tie goes up).
    constexpr double kOverflowFrom = 0x1.ffffffp127;
    constexpr float kLargest = std::numeric_limits<float>::max();
    if (std::isnan(v)) return std::numeric_limits<float>::quiet_NaN();
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    if (std::fabs(v) >= kOverflowFrom) return v > 0 ? kInfinity : -kInfinity;
    if (std::fabs(v) > kLargest) return v > 0 ? kLargest : -kLargest;
    return static_cast<float>(v);
}

std::string countText(long long n) {
    std::string digits = std::to_string(n);
    if (n >= 0) digits.insert(digits.begin(), ' ');
    return digits;
}

std::string numberText(long long n) { return countText(n) + " "; }

std::string floatText(float v) {
    if (v == 0) return "0";
    // printf writes "-nan" for a not-a-number with its sign bit set, as infinity minus infinity
    // gives; a not-a-number has no sign to show.
    if (std::isnan(v)) return "nan";
    if (std::isfinite(v) && std::fabs(v) < 1e7f && v == std::trunc(v))
        return std::to_string(static_cast<long long>(v));
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.7g", static_cast<double>(v));
    return buf;
}

} // namespace search
