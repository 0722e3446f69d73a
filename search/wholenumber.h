// An exact sum of whole numbers written in decimal digits, of any size.
#ifndef SEARCH_WHOLENUMBER_H
#define SEARCH_WHOLENUMBER_H

#include <cstdint>
#include <string>
#include <string_view>

namespace search {

/// Adds numbers given as digit texts without rounding. Sums that fit 64 bits are kept as a
/// machine word; larger ones as decimal digits.
///   add("18446744073709551615"); add("1") => text() == "18446744073709551616"
class WholeNumber {
public:
    /// Adds a text of the digits 0 to 9 (leading zeros allowed, empty counts as 0).
    void add(std::string_view digits);
    /// The sum in plain digits, without blanks or leading zeros: "0", "12", "1000000000000000".
    std::string text() const;

private:
    void spill();

    std::uint64_t m_small = 0;
    std::string m_digits; // least significant digit first; used once the sum leaves 64 bits
};

} // namespace search

#endif // SEARCH_WHOLENUMBER_H
