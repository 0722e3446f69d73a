// Dates of CSR records: the YYYY-MM-DD at the start of a date or date-time.
#ifndef IMPORT_CALENDARDATE_H
#define IMPORT_CALENDARDATE_H

#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace csrimport {

/// A Gregorian date with a year from 1000 to 2999.
struct CalendarDate {
    int year = 0;
    int month = 0;
    int day = 0;

    /// Reads the first ten characters after trimming blanks as YYYY-MM-DD; what follows is
    /// ignored. Nothing for a date that is not valid or whose year is outside 1000 to 2999.
    ///   "1994-01-04T00:00:00" => 1994-01-04; " 2000-02-29 " => 2000-02-29
    ///   "1900-02-29" => none; "94-01-04" => none; "0999-01-01" => none; "1994-1-4" => none
    static std::optional<CalendarDate> parse(std::string_view text);

    /// "1994-01-04".
    std::string isoText() const;
    /// "04/01/94".
    std::string shortText() const;
    /// "Jan" to "Dec".
    const char* monthName() const;

    auto operator<=>(const CalendarDate&) const = default;
};

} // namespace csrimport

#endif // IMPORT_CALENDARDATE_H
