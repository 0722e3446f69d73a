// The start and end of a cruise as calendar dates.
#include "search/cruisedates.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "search/textutil.h"

namespace search {

namespace {

constexpr std::array<std::string_view, 12> kMonths = {"JANUARY",   "FEBRUARY", "MARCH",    "APRIL",
                                                      "MAY",       "JUNE",     "JULY",     "AUGUST",
                                                      "SEPTEMBER", "OCTOBER",  "NOVEMBER", "DECEMBER"};

// A number of one to four ASCII digits, blanks around it ignored.
std::optional<int> smallNumber(std::string_view text) {
    text = trimBlanks(text);
    if (text.empty() || text.size() > 4 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

bool leapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysIn(int year, int month) {
    constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leapYear(year) ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

std::optional<int> formYear(std::string_view year) {
    if (year.size() != 2 && year.size() != 4) return std::nullopt;
    const std::optional<int> value = smallNumber(year);
    if (value && year.size() == 2) return 1900 + *value;
    return value;
}

std::optional<CalendarDate> dateOf(std::optional<int> year, std::string_view dayText, std::optional<int> month) {
    const std::optional<int> day = smallNumber(dayText);
    if (!year || !month || !day || *day < 1 || *day > daysIn(*year, *month)) return std::nullopt;
    return CalendarDate{*year, *month, *day};
}

} // namespace

std::optional<int> monthNumber(std::string_view text) {
    text = trimBlanks(text);
    if (const std::optional<int> number = smallNumber(text)) {
        if (*number >= 1 && *number <= 12) return number;
        return std::nullopt;
    }
    if (text.size() < 3) return std::nullopt;
    const std::string upper = upperCase(text);
    for (std::size_t m = 0; m < kMonths.size(); ++m)
        if (kMonths[m].substr(0, upper.size()) == upper) return static_cast<int>(m) + 1;
    return std::nullopt;
}

std::optional<CalendarDate> cruiseStart(const CruiseDays& days) {
    return dateOf(formYear(days.year), days.startDay, monthNumber(days.startMonth));
}

std::optional<CalendarDate> cruiseEnd(const CruiseDays& days) {
    std::optional<int> year = formYear(days.year);
    const std::optional<int> startMonth = monthNumber(days.startMonth);
    const std::optional<int> endMonth = monthNumber(days.endMonth);
    // A cruise over the year's end: its end month comes before its start month.
    if (year && startMonth && endMonth && *endMonth < *startMonth) ++*year;
    return dateOf(year, days.endDay, endMonth);
}

std::optional<CalendarDate> parseIsoDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    const auto part = [&](std::size_t at, std::size_t size) -> std::optional<int> {
        const std::string_view digits = text.substr(at, size);
        if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        return smallNumber(digits);
    };
    const std::optional<int> year = part(0, 4), month = part(5, 2);
    if (!month || *month < 1 || *month > 12 || !part(8, 2)) return std::nullopt;
    return dateOf(year, text.substr(8, 2), month);
}

std::string isoDate(const std::optional<CalendarDate>& date) {
    if (!date) return {};
    char text[16];
    char* p = text;
    auto put = [&p](int value, int width) {
        for (int scale = width == 4 ? 1000 : 10; scale > 0; scale /= 10)
            *p++ = static_cast<char>('0' + value / scale % 10);
    };
    put(date->year, 4);
    *p++ = '-';
    put(date->month, 2);
    *p++ = '-';
    put(date->day, 2);
    return std::string(text, p);
}

} // namespace search
