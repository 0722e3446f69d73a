// An exact sum of whole numbers written in decimal digits.
#include "search/wholenumber.h"

#include <algorithm>

namespace search {

namespace {

// Adds the decimal digits of b (most significant first) to a (least significant first).
void addDigits(std::string& a, std::string_view b) {
    int carry = 0;
    std::size_t i = 0;
    for (auto it = b.rbegin(); it != b.rend() || carry; ++i) {
        int sum = carry;
        if (it != b.rend()) sum += *it++ - '0';
        if (i < a.size()) sum += a[i] - '0';
        carry = sum / 10;
        const char digit = static_cast<char>('0' + sum % 10);
        if (i < a.size())
            a[i] = digit;
        else
            a.push_back(digit);
    }
}

} // namespace

// Moves the 64-bit sum into the digit form, where it stays.
void WholeNumber::spill() {
    m_digits = std::to_string(m_small);
    std::reverse(m_digits.begin(), m_digits.end());
    m_small = 0;
}

void WholeNumber::add(std::string_view digits) {
    digits.remove_prefix(std::min(digits.find_first_not_of('0'), digits.size()));
    if (digits.empty()) return;
    // Below 10^19 a number fits a 64-bit word; the sum may still overflow.
    if (m_digits.empty() && digits.size() < 20) {
        std::uint64_t value = 0;
        for (char c : digits)
            value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value <= UINT64_MAX - m_small) {
            m_small += value;
            return;
        }
    }
    if (m_digits.empty()) spill();
    addDigits(m_digits, digits);
}

std::string WholeNumber::text() const {
    if (m_digits.empty()) return std::to_string(m_small);
    return std::string(m_digits.rbegin(), m_digits.rend());
}

} // namespace search
