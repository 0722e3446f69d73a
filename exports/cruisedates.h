// The start and end of a cruise as calendar dates, from the year of line 0 and the days and
// months of line 4.
#ifndef EXPORTS_CRUISEDATES_H
#define EXPORTS_CRUISEDATES_H

#include <optional>
#include <string>
#include <string_view>

#include "exports/formfacts.h"

namespace exports {

struct CalendarDate {
    int year = 0;
    int month = 0; // 1 to 12
    int day = 0;   // 1 to the month's last day
    auto operator<=>(const CalendarDate&) const = default;
};

/// The month a form names: "Jun", "june", "JUNE", "Sept" (a name of three letters or more that
/// begins the English name) or "6", "06" (a number from 1 to 12), blanks around it ignored;
/// none for anything else.
std::optional<int> monthNumber(std::string_view text);

/// The cruise's first and last day. The year is the form's (two digits are of the 1900s); a
/// cruise whose end month comes before its start month ends in the next year. None when the
/// year, a day or a month cannot be read or the day is not in its month: never guessed.
std::optional<CalendarDate> cruiseStart(const FormFacts& facts);
std::optional<CalendarDate> cruiseEnd(const FormFacts& facts);

/// YYYY-MM-DD: {1995, 6, 12} => "1995-06-12"; empty for none.
std::string isoDate(const std::optional<CalendarDate>& date);

} // namespace exports

#endif // EXPORTS_CRUISEDATES_H
