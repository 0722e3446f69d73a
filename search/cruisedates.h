// The start and end of a cruise as calendar dates, from the year of line 0 and the days and
// months of line 4.
#ifndef SEARCH_CRUISEDATES_H
#define SEARCH_CRUISEDATES_H

#include <optional>
#include <string>
#include <string_view>

namespace search {

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

/// The days and months of a cruise (fields 1 to 4 of line 4) with the year of its form (field 1
/// of line 0).
struct CruiseDays {
    std::string_view year, startDay, startMonth, endDay, endMonth;
};

/// The cruise's first and last day. A year of two digits is of the 1900s, one of four is taken
/// as it is; a cruise whose end month comes before its start month ends in the next year. None
/// when the year, a day or a month cannot be read or the day is not in its month: never guessed.
std::optional<CalendarDate> cruiseStart(const CruiseDays& days);
std::optional<CalendarDate> cruiseEnd(const CruiseDays& days);

/// A date written YYYY-MM-DD: "1995-06-12"; none for anything else, an impossible day included.
std::optional<CalendarDate> parseIsoDate(std::string_view text);

/// YYYY-MM-DD: {1995, 6, 12} => "1995-06-12"; empty for none.
std::string isoDate(const std::optional<CalendarDate>& date);

} // namespace search

#endif // SEARCH_CRUISEDATES_H
