// Decimal numbers of coordinates, read and compared exactly as written.
#ifndef IMPORT_DECIMAL_H
#define IMPORT_DECIMAL_H

#include <optional>
#include <string>
#include <string_view>

namespace csrimport {

/// A decimal number kept as its digits, so that comparisons and minutes are exact.
class Decimal {
public:
    /// Reads a number: after trimming blanks, an optional sign, ASCII digits with at most one
    /// decimal point and at least one digit, and an optional exponent (e or E, an optional sign,
    /// digits). Nothing for any other text.
    ///   "-20.5" => -20.5; "+7" => 7; "1.5e1" => 15; ".5" => 0.5; "5." => 5
    ///   "" => none; "1,5" => none; "1e" => none; "0x10" => none; " 12 " => 12
    static std::optional<Decimal> parse(std::string_view text);

    /// Whether the number is below zero: "-0.001" => true, "-0" => false.
    bool negative() const { return m_negative; }
    /// -1, 0 or 1 as the magnitude is below, equal to or above limit: ("90.0", 90) => 0.
    int compareMagnitude(int limit) const;
    /// Whether the number lies from -limit to limit.
    bool within(int limit) const { return compareMagnitude(limit) <= 0; }
    /// Equal as numbers: "20" == "2e1" == "20.000"; "-0" == "0".
    bool operator==(const Decimal& other) const;
    /// The nearest double.
    double value() const;
    /// Whole degrees and minutes of the magnitude, the minutes being the fraction times 60,
    /// rounded half away from zero, 60 carried into the degrees (magnitude at most 999):
    ///   20.5083 => 20, 30; 0.9999 => 1, 0; 10.25 => 10, 15; 0.00833333 => 0, 0; 0.0083334 => 0, 1
    void degreesMinutes(int* degrees, int* minutes) const;

private:
    bool m_negative = false;
    std::string m_digits; // no leading or trailing zeros; empty for zero
    long m_exponent = 0;  // the value is m_digits times ten to this power
};

/// A quantity written with only zeros after its point as the digits before it; any other text
/// as it stands: "130.000000" => "130", "007.00" => "007", "0.0" => "0"; "12.5", "1e3", "120.",
/// "-2.0", "n/a" unchanged.
std::string wholeQuantity(std::string_view quantity);

/// A latitude and longitude as an observation line writes them, "ddmmN dddmmW":
/// (-20.5, -38) => "2030S 03800W"; (0, 0) => "0000N 00000E".
std::string positionText(const Decimal& latitude, const Decimal& longitude);

} // namespace csrimport

#endif // IMPORT_DECIMAL_H
