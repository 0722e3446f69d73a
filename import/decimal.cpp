// Decimal numbers of coordinates, read and compared exactly as written.
#include "import/decimal.h"

#include <cstdio>
#include <cstdlib>

namespace csrimport {

namespace {

// Exponents beyond this are clamped: such a number is far outside any coordinate range, or
// so small that it counts as zero minutes.
constexpr long kExponentLimit = 100000;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The digits of a number before its exponent, with those after the point counted.
struct Mantissa {
    std::string digits;
    long fractionDigits = 0;
};

// Reads digits and at most one point from text[i] on; nothing when there is no digit.
std::optional<Mantissa> readMantissa(std::string_view text, std::size_t& i) {
    Mantissa m;
    bool point = false, anyDigit = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (isDigit(c)) {
            anyDigit = true;
            m.digits += c;
            if (point) ++m.fractionDigits;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!anyDigit) return std::nullopt;
    return m;
}

// Reads an exponent ("e" or "E", a sign, digits to the end of text) from text[i] on: 0 when
// there is none, nothing when it is not whole.
std::optional<long> readExponent(std::string_view text, std::size_t& i) {
    long exponent = 0;
    if (i == text.size() || (text[i] != 'e' && text[i] != 'E')) return exponent;
    ++i;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
    if (i == text.size()) return std::nullopt;
    for (; i < text.size(); ++i) {
        if (!isDigit(text[i])) return std::nullopt;
        if (exponent < kExponentLimit) exponent = exponent * 10 + (text[i] - '0');
    }
    return negativeExponent ? -exponent : exponent;
}

} // namespace

std::optional<Decimal> Decimal::parse(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    Decimal d;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) d.m_negative = text[i++] == '-';
    const std::optional<Mantissa> mantissa = readMantissa(text, i);
    if (!mantissa) return std::nullopt;
    const std::optional<long> exponent = readExponent(text, i);
    if (!exponent || i != text.size()) return std::nullopt;
    const std::string& digits = mantissa->digits;
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) {
        d.m_negative = false;
        return d;
    }
    const std::size_t last = digits.find_last_not_of('0');
    d.m_exponent = *exponent - mantissa->fractionDigits + static_cast<long>(digits.size() - 1 - last);
    d.m_digits = digits.substr(first, last - first + 1);
    return d;
}

int Decimal::compareMagnitude(int limit) const {
    if (m_digits.empty()) return limit > 0 ? -1 : 0;
    const long wholeDigits = static_cast<long>(m_digits.size()) + m_exponent;
    if (wholeDigits > 9) return 1;
    long whole = 0;
    for (long k = 0; k < wholeDigits; ++k)
        whole = whole * 10 + (k < static_cast<long>(m_digits.size()) ? m_digits[static_cast<std::size_t>(k)] - '0' : 0);
    const bool fraction = m_exponent < 0;
    if (whole != limit) return whole < limit ? -1 : 1;
    return fraction ? 1 : 0;
}

bool Decimal::operator==(const Decimal& other) const {
    return m_negative == other.m_negative && m_digits == other.m_digits &&
           (m_digits.empty() || m_exponent == other.m_exponent);
}

double Decimal::value() const {
    if (m_digits.empty()) return 0.0;
    const std::string text = (m_negative ? "-" : "") + m_digits + "e" + std::to_string(m_exponent);
    return std::strtod(text.c_str(), nullptr);
}

void Decimal::degreesMinutes(int* degrees, int* minutes) const {
    *degrees = 0;
    *minutes = 0;
    if (m_digits.empty()) return;
    const long wholeDigits = static_cast<long>(m_digits.size()) + m_exponent;
    // Below 1/10000 of a degree: the minutes round to zero.
    if (wholeDigits < -4) return;
    int whole = 0;
    for (long k = 0; k < wholeDigits; ++k)
        whole = whole * 10 + (k < static_cast<long>(m_digits.size()) ? m_digits[static_cast<std::size_t>(k)] - '0' : 0);
    // The fraction's digits, zeros after the point first when the number is below 0.1.
    std::string fraction;
    if (m_exponent < 0) {
        if (wholeDigits < 0) fraction.assign(static_cast<std::size_t>(-wholeDigits), '0');
        fraction += m_digits.substr(static_cast<std::size_t>(wholeDigits > 0 ? wholeDigits : 0));
    }
    // fraction * 60, digit by digit from the right.
    std::string product(fraction.size(), '0');
    int carry = 0;
    for (std::size_t k = fraction.size(); k-- > 0;) {
        const int v = (fraction[k] - '0') * 60 + carry;
        product[k] = static_cast<char>('0' + v % 10);
        carry = v / 10;
    }
    // carry is the whole minutes (0 to 59); the product's digits are the rest of a minute.
    int wholeMinutes = carry;
    if (!product.empty() && product[0] >= '5') ++wholeMinutes;
    if (wholeMinutes == 60) {
        wholeMinutes = 0;
        ++whole;
    }
    *degrees = whole;
    *minutes = wholeMinutes;
}

std::string positionText(const Decimal& latitude, const Decimal& longitude) {
    int latDegrees = 0, latMinutes = 0, lonDegrees = 0, lonMinutes = 0;
    latitude.degreesMinutes(&latDegrees, &latMinutes);
    longitude.degreesMinutes(&lonDegrees, &lonMinutes);
    char text[48];
    std::snprintf(text, sizeof text, "%02d%02d%c %03d%02d%c", latDegrees, latMinutes, latitude.negative() ? 'S' : 'N',
                  lonDegrees, lonMinutes, longitude.negative() ? 'W' : 'E');
    return text;
}

std::string wholeQuantity(std::string_view quantity) {
    const std::size_t point = quantity.find('.');
    const auto digits = [](std::string_view part, char first, char last) {
        if (part.empty()) return false;
        for (const char c : part)
            if (c < first || c > last) return false;
        return true;
    };
    if (point == std::string_view::npos || !digits(quantity.substr(0, point), '0', '9') ||
        !digits(quantity.substr(point + 1), '0', '0'))
        return std::string(quantity);
    return std::string(quantity.substr(0, point));
}

} // namespace csrimport
