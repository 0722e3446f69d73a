// Dates of CSR records.
#include "import/calendardate.h"

#include <cstdio>

namespace csrimport {

namespace {

constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool digitsAt(std::string_view text, std::size_t from, std::size_t count, int* value) {
    *value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        *value = *value * 10 + (text[i] - '0');
    }
    return true;
}

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

} // namespace

std::optional<CalendarDate> CalendarDate::parse(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    if (text.size() < 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    CalendarDate d;
    if (!digitsAt(text, 0, 4, &d.year) || !digitsAt(text, 5, 2, &d.month) || !digitsAt(text, 8, 2, &d.day))
        return std::nullopt;
    if (d.year < 1000 || d.year > 2999 || d.month < 1 || d.month > 12 || d.day < 1 ||
        d.day > daysInMonth(d.year, d.month))
        return std::nullopt;
    return d;
}

std::string CalendarDate::isoText() const {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return text;
}

std::string CalendarDate::shortText() const {
    char text[16];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d", day, month, year % 100);
    return text;
}

const char* CalendarDate::monthName() const { return kMonths[month - 1]; }

} // namespace csrimport
