// Single-byte text helpers shared by the search engine and the report writers.
#ifndef SEARCH_TEXTUTIL_H
#define SEARCH_TEXTUTIL_H

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "search/windows1252.h"

namespace search {

namespace detail {
/// Windows-1252 upper case of every byte; the other byte of the same upper case of every
/// upper-case byte (itself when there is none).
extern const std::array<unsigned char, 256> kUpperCase;
extern const std::array<unsigned char, 256> kOtherCase;
} // namespace detail

/// Upper-cases one Windows-1252 byte: a-z, 0xE0-0xFE except 0xF7, and 0x9A/0x9C/0x9E/0xFF.
inline char upperChar(char c) { return static_cast<char>(detail::kUpperCase[static_cast<unsigned char>(c)]); }
/// The byte other than an upper-case byte that upper-cases to it: 'A' => 'a', 0xC9 => 0xE9,
/// '1' => '1'.
inline char otherCase(char upper) { return static_cast<char>(detail::kOtherCase[static_cast<unsigned char>(upper)]); }
/// Lower-cases one Windows-1252 byte (the inverse of upperChar).
char lowerChar(char c);

/// Upper-cases text: "Bay of biscay" => "BAY OF BISCAY".
std::string upperCase(std::string_view text);
std::string lowerCase(std::string_view text);

/// Position of needle in text when both are upper-cased, or npos; needle must already be
/// upper-case and not empty. findUpperCased("h09^Ab", "AB") => 4.
std::size_t findUpperCased(std::string_view text, std::string_view upperNeedle);
/// Whether needle occurs in the upper-cased text. An empty needle is found in every text that
/// is not empty: ("ABC", "") => true, ("", "") => false.
bool containsUpperCased(std::string_view text, std::string_view upperNeedle);

/// Removes blanks (only the space character) at both ends: "  a b " => "a b".
std::string_view trimBlanks(std::string_view text);

/// Field n (1 to 8) of a "^"-separated line; field 8 runs to the end of the line.
/// field("a^b^c", 2) => "b"; field("a^b", 5) => "".
std::string_view field(std::string_view line, int n);

/// The eight fields of a line, split once: Fields("a^b")[2] => "b", Fields("a^b")[5] => "".
class Fields {
public:
    explicit Fields(std::string_view line);
    /// Field n (1 to 8); empty beyond the last field.
    std::string_view operator[](int n) const {
        return (n >= 1 && n <= m_count) ? m_fields[static_cast<std::size_t>(n - 1)] : std::string_view();
    }

private:
    std::string_view m_fields[8];
    int m_count = 0;
};


/// The first n characters (all when shorter): left("abc", 2) => "ab".
std::string_view left(std::string_view text, std::size_t n);
/// At most n characters from position start, counting from 1 (not 0): the callers take the cruise
/// name after "CR " with start 4. Empty when start is 0 or past the end: mid("abcdef", 4, 2) =>
/// "de", mid("CR Meteor", 4) => "Meteor", mid("abc", 0) => "".
std::string_view mid(std::string_view text, std::size_t start, std::size_t n = std::string_view::npos);

/// Numeric value of a text: leading blanks, optional sign, digits, optional "." and fraction
/// digits; 0 when there is no number. The value is the double nearest to those characters
/// (infinity past the largest double, 0 below the smallest). "  12 at ULMA" => 12,
/// "-3.5x" => -3.5, "abc" => 0.
double numericValue(std::string_view text);
/// The single-precision value nearest to v, infinity when v is at or past the halfway point
/// between the largest single and 2^128: 3.4028235677973366e38 => infinity.
float singlePrecision(double v);

/// A count as a message shows it: a leading blank when not negative. 250 => " 250", -1 => "-1".
std::string countText(long long n);
/// A number written as a number: blank before (when not negative) and after. 250 => " 250 ".
std::string numberText(long long n);

/// A single-precision value as text without blanks: whole values below 1e7 in magnitude as
/// plain digits, others as printf "%.7g", a not-a-number as "nan". 15 => "15", 1.5 => "1.5",
/// 12345678 => "1.234568e+07".
std::string floatText(float v);

} // namespace search

#endif // SEARCH_TEXTUTIL_H
