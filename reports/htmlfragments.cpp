// The cells of the eight summary table columns.
#include "reports/htmlfragments.h"

#include <array>
#include <string>

namespace reports {

namespace {

struct Column {
    std::string_view width;
    std::string_view background;
    std::string_view rowAlignment;
    std::string_view heading;
};

constexpr std::array<Column, kSummaryColumns> kColumns{{
    {"64", "#33CC99", "CENTER", "Country"},
    {"130", "#3399CC", "CENTER", "Ship"},
    {"162", "#33CC99", "LEFT", "Cruise Dates"},
    {"60", "#3399CC", "CENTER", "Water Bottles"},
    {"70", "#33CC99", "CENTER", "CTDs"},
    {"80", "#3399CC", "CENTER", "No at ULMA"},
    {"55", "#33CC99", "CENTER", "Exchange?"},
    {"73", "#3399CC", "CENTER", "Reference<BR>(Click for form)"},
}};

std::string cell(std::string_view first, const Column& c, std::string_view alignment) {
    std::string out(first);
    out += '"';
    out += c.width;
    out += "\" ALIGN=\"";
    out += alignment;
    out += "\" BGCOLOR=\"";
    out += c.background;
    out += "\">";
    return out;
}

struct Cells {
    std::array<std::string, kSummaryColumns> heading;
    std::array<std::string, kSummaryColumns> row;
    Cells() {
        for (std::size_t i = 0; i < kColumns.size(); ++i) {
            heading[i] = cell(i == 0 ? "<TR><TD WIDTH=" : "</TD><TD WIDTH=", kColumns[i], "CENTER");
            row[i] = cell(i == 0 ? "<TR><TD WIDTH=" : "&nbsp</TD><TD WIDTH=", kColumns[i], kColumns[i].rowAlignment);
        }
    }
};

const Cells& cells() {
    static const Cells c;
    return c;
}

} // namespace

std::string_view headingCell(int column) { return cells().heading[static_cast<std::size_t>(column - 1)]; }
std::string_view rowCell(int column) { return cells().row[static_cast<std::size_t>(column - 1)]; }
std::string_view headingText(int column) { return kColumns[static_cast<std::size_t>(column - 1)].heading; }

} // namespace reports
