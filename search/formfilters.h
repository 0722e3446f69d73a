// Filters of a run beside the ten criteria: squares by number, a box of longitude and latitude,
// and a range of cruise dates.
#ifndef SEARCH_FORMFILTERS_H
#define SEARCH_FORMFILTERS_H

#include <optional>
#include <string>
#include <vector>

#include "search/cruisedates.h"
#include "search/form.h"

namespace search {

/// Decimal degrees; a west edge greater than the east edge crosses the 180th meridian.
struct GeoBox {
    double west = 0, south = 0, east = 0, north = 0;
};

/// Each filter given is ANDed with the criteria; none given selects as the criteria alone do.
struct FormFilters {
    std::vector<int> squares;         // line 2 names one of these squares
    std::optional<GeoBox> box;        // line 2 names a square that overlaps the box
    std::optional<CalendarDate> from; // the cruise ends on this day or later
    std::optional<CalendarDate> to;   // the cruise starts on this day or earlier

    bool any() const { return !squares.empty() || box || from || to; }
    /// Whether form passes every filter given. A form without cruise dates passes no date filter.
    bool test(const Form& form) const;
    /// The filters given, one line each as the reports echo them ("Marsden Square Numbers: 183
    /// OR 217", "Box (W,S,E,N): -60,-15,60,85", "Cruise Dates From: 1995-01-01", "Cruise Dates
    /// To: 1995-12-31"), in that order.
    std::vector<std::string> describe() const;
};

/// Whether the 10-degree square n (geo::isSquare) overlaps box by more than an edge.
bool squareInBox(int n, const GeoBox& box);

/// Reads "W,S,E,N" in decimal degrees: longitudes -180 to 180, latitudes -90 to 90, south below
/// north; false with err filled otherwise.
bool parseGeoBox(std::string_view text, GeoBox* box, std::string* err);

/// Why a square number is refused, after the number.
extern const char* const kNotASquare; // "not the number of a Marsden square (1 to 288, 300 to 623, 901 to 936)"
/// Why a date is refused, after the date.
extern const char* const kNotADate; // "not a calendar date written YYYY-MM-DD"

/// Square numbers of a list, each once, in the order given, added to squares. Separated by
/// commas, each blank-trimmed; with blanks, blanks separate too and empty items are skipped.
/// False with bad set to the first item that numbers no square (squares then incomplete).
///   "183,074" => {183, 74}; "183 184" with blanks => {183, 184}; "183,,184" => bad ""
bool parseSquares(std::string_view text, bool blanks, std::vector<int>* squares, std::string* bad);

/// The refusal of a from date after a to date, each named as the caller names it:
///   ("--from", "1995-06-01", "--to", "1995-01-01") =>
///   "--from 1995-06-01 comes after --to 1995-01-01: no cruise can meet both"
std::string datesApart(const std::string& fromName, const std::string& from, const std::string& toName,
                       const std::string& to);

/// A number of degrees as the echo writes it: -60 => "-60", 12.5 => "12.5".
std::string degreesText(double degrees);

} // namespace search

#endif // SEARCH_FORMFILTERS_H
