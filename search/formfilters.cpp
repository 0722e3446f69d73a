// Filters of a run beside the ten criteria.
#include "search/formfilters.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "geo/marsdensquare.h"
#include "search/textutil.h"

namespace search {

const char* const kNotASquare = "not the number of a Marsden square (1 to 288, 300 to 623, 901 to 936)";
const char* const kNotADate = "not a calendar date written YYYY-MM-DD";

namespace {

// Whether the open intervals (a0, a1) and (b0, b1) share a point.
bool overlap(double a0, double a1, double b0, double b1) {
    return a0 < b1 && b0 < a1;
}

bool readDegrees(std::string_view text, double low, double high, double* value) {
    text = trimBlanks(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty() && std::isfinite(*value) &&
           *value >= low && *value <= high;
}

} // namespace

bool squareInBox(int n, const GeoBox& box) {
    const geo::SquareBounds b = geo::squareBounds(n);
    if (!overlap(b.south, b.north, box.south, box.north)) return false;
    if (box.west <= box.east) return overlap(b.west, b.east, box.west, box.east);
    // Across the 180th meridian: the box is west to 180 and -180 to east.
    return overlap(b.west, b.east, box.west, 180) || overlap(b.west, b.east, -180, box.east);
}

bool FormFilters::test(const Form& form) const {
    if (!squares.empty() || box) {
        const std::vector<int> named = geo::namedSquares(form.line(2));
        if (!squares.empty() && std::none_of(named.begin(), named.end(), [this](int n) {
                return std::find(squares.begin(), squares.end(), n) != squares.end();
            }))
            return false;
        if (box && std::none_of(named.begin(), named.end(), [this](int n) { return squareInBox(n, *box); }))
            return false;
    }
    if (from || to) {
        const Fields line4(form.line(4));
        const CruiseDays days{field(form.line(0), 1), line4[1], line4[2], line4[3], line4[4]};
        const std::optional<CalendarDate> start = cruiseStart(days), end = cruiseEnd(days);
        if (!start || !end) return false;
        if (from && *end < *from) return false;
        if (to && *start > *to) return false;
    }
    return true;
}

bool parseSquares(std::string_view text, bool blanks, std::vector<int>* squares, std::string* bad) {
    const std::string_view separators = blanks ? std::string_view(", \t") : std::string_view(",");
    if (blanks && trimBlanks(text).empty()) return true;
    for (;;) {
        const std::size_t end = text.find_first_of(separators);
        const std::string_view item = trimBlanks(text.substr(0, end));
        if (!(blanks && item.empty())) {
            int n = 0;
            const auto [stop, ec] = std::from_chars(item.data(), item.data() + item.size(), n);
            if (item.empty() || ec != std::errc() || stop != item.data() + item.size() || !geo::isSquare(n)) {
                *bad = std::string(item);
                return false;
            }
            if (std::find(squares->begin(), squares->end(), n) == squares->end()) squares->push_back(n);
        }
        if (end == std::string_view::npos) return true;
        text.remove_prefix(end + 1);
    }
}

std::string datesApart(const std::string& fromName, const std::string& from, const std::string& toName,
                       const std::string& to) {
    return fromName + " " + from + " comes after " + toName + " " + to + ": no cruise can meet both";
}

std::string degreesText(double degrees) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, degrees).ptr;
    return std::string(text, end);
}

std::vector<std::string> FormFilters::describe() const {
    std::vector<std::string> lines;
    if (!squares.empty()) {
        std::string line = "Marsden Square Numbers: ";
        for (std::size_t i = 0; i < squares.size(); ++i)
            line += (i ? " OR " : "") + std::to_string(squares[i]);
        lines.push_back(line);
    }
    if (box)
        lines.push_back("Box (W,S,E,N): " + degreesText(box->west) + "," + degreesText(box->south) + "," +
                        degreesText(box->east) + "," + degreesText(box->north));
    if (from) lines.push_back("Cruise Dates From: " + isoDate(from));
    if (to) lines.push_back("Cruise Dates To: " + isoDate(to));
    return lines;
}

bool parseGeoBox(std::string_view text, GeoBox* box, std::string* err) {
    constexpr std::array<const char*, 4> kEdges = {"west", "south", "east", "north"};
    std::array<double, 4> values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::size_t comma = text.find(',');
        if ((i < 3) != (comma != std::string_view::npos)) {
            *err = "give four numbers separated by commas: west,south,east,north";
            return false;
        }
        const double limit = i % 2 == 0 ? 180 : 90; // longitudes, then latitudes
        if (!readDegrees(text.substr(0, comma), -limit, limit, &values[i])) {
            *err = std::string(kEdges[i]) + " must be a number of degrees from " + degreesText(-limit) + " to " +
                   degreesText(limit);
            return false;
        }
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    }
    if (values[1] >= values[3]) {
        *err = "south must be below north";
        return false;
    }
    *box = GeoBox{values[0], values[1], values[2], values[3]};
    return true;
}

} // namespace search
