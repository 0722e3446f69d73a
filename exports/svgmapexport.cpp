// A map of the selected forms' Marsden squares over the map window's region, as SVG.
#include "exports/svgmapexport.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "geo/landdata.h"
#include "geo/marsdensquare.h"
#include "reports/criteriaecho.h"
#include "search/textutil.h"

namespace exports {

namespace {

// The region of the map window and the drawing's scale.
constexpr int kWest = -60, kEast = 60, kSouth = -15, kNorth = 85;
constexpr int kPixelsPerDegree = 10;
constexpr int kMargin = 20;
constexpr int kMapWidth = (kEast - kWest) * kPixelsPerDegree;   // 1200
constexpr int kMapHeight = (kNorth - kSouth) * kPixelsPerDegree; // 1000
constexpr int kWidth = kMapWidth + 2 * kMargin;
constexpr int kLineHeight = 20;
constexpr int kOutsidePerLine = 8;

// Light to dark: the classes of the legend.
constexpr const char* kShades[] = {"#c6dbef", "#9ecae1", "#6baed6", "#3182bd", "#08519c"};
constexpr int kClasses = 5;

// The upper bound of class k (0 to 4) of counts from 1 to most.
int classTop(int k, int most) {
    return (most * (k + 1) + kClasses - 1) / kClasses;
}

double xOf(double lon, double left) {
    return left + (lon - kWest) * kPixelsPerDegree;
}
double yOf(double lat, double top) {
    return top + (kNorth - lat) * kPixelsPerDegree;
}

// Text for SVG: UTF-8, with the characters XML gives a meaning escaped and control characters,
// which XML does not allow, left out.
std::string xmlText(std::string_view windows1252) {
    std::string out;
    for (char c : search::fromWindows1252(windows1252)) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default:
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
        }
    }
    return out;
}

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    std::string s = text;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
}

// The land of the compiled-in table as one path, rings closed, to be filled even-odd.
std::string landPath(double left, double top) {
    const auto points = geo::landPoints();
    const auto starts = geo::landRingStarts();
    std::string d;
    for (std::size_t ring = 0; ring + 1 < starts.size(); ++ring) {
        for (std::uint32_t p = starts[ring]; p < starts[ring + 1]; ++p) {
            d += p == starts[ring] ? 'M' : 'L';
            d += number(xOf(points[p].lon / 100.0, left)) + ' ' + number(yOf(points[p].lat / 100.0, top));
        }
        d += 'Z';
    }
    return d;
}

using Attributes = std::initializer_list<std::pair<std::string_view, std::string>>;

// An element with its attributes, and its content when it has any.
std::string element(std::string_view name, Attributes attributes, std::string_view content = {}) {
    std::string out = "<";
    out += name;
    for (const auto& [key, value] : attributes) {
        out += ' ';
        out += key;
        out += "=\"";
        out += value;
        out += '"';
    }
    if (content.empty()) {
        out += "/>\n";
        return out;
    }
    out += '>';
    out += content;
    out += "</";
    out += name;
    out += ">\n";
    return out;
}

std::string px(int v) {
    return std::to_string(v);
}

bool onMap(const geo::SquareBounds& b) {
    return b.east > kWest && b.west < kEast && b.north > kSouth && b.south < kNorth;
}

std::string formsText(int forms) {
    std::string text = std::to_string(forms);
    text += forms == 1 ? " form" : " forms";
    return text;
}

} // namespace

const char* SvgMapExport::shade(int count, int most) {
    for (int k = 0; k < kClasses; ++k)
        if (count <= classTop(k, most)) return kShades[k];
    return kShades[kClasses - 1];
}

void SvgMapExport::writeTitle(int* y) {
    std::vector<std::string> lines = reports::criteriaText(m_context.criteria);
    lines.push_back("Years selected: " + m_context.yearsLabel);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        *y += kLineHeight;
        out().put(element("text",
                          {{"x", px(kMargin)}, {"y", px(*y)}, {"font-size", "15"},
                           {"font-weight", i == 0 ? "bold" : "normal"}},
                          xmlText(lines[i])));
    }
}

void SvgMapExport::writeMap(int top) {
    const double left = kMargin;
    const Attributes box = {{"x", px(kMargin)}, {"y", px(top)}, {"width", px(kMapWidth)}, {"height", px(kMapHeight)}};
    out().put("<defs><clipPath id=\"region\">");
    out().put(element("rect", box));
    out().put("</clipPath></defs>\n<g clip-path=\"url(#region)\">\n");
    out().put(element("rect", {{"x", px(kMargin)}, {"y", px(top)}, {"width", px(kMapWidth)}, {"height", px(kMapHeight)},
                               {"fill", "#f4f8fb"}}));
    const std::string land = landPath(left, top);
    out().put(element("path", {{"d", land}, {"fill", "#e4dfd1"}, {"fill-rule", "evenodd"}}));

    // The shades lie over the land and under the coast, the grid and the numbers.
    int most = 0;
    for (const auto& [square, named] : m_counts.squares()) most = std::max(most, named.forms);
    for (const auto& [square, named] : m_counts.squares()) {
        const geo::SquareBounds b = geo::squareBounds(square);
        if (!onMap(b)) continue;
        out().put(element("rect", {{"x", number(xOf(b.west, left))}, {"y", number(yOf(b.north, top))},
                                   {"width", px(10 * kPixelsPerDegree)}, {"height", px(10 * kPixelsPerDegree)},
                                   {"fill", shade(named.forms, most)}, {"fill-opacity", "0.85"}}));
    }
    out().put(element("path", {{"d", land}, {"fill", "none"}, {"stroke", "#8a8370"}, {"stroke-width", "0.7"}}));

    std::string grid;
    for (int lon = kWest; lon <= kEast; lon += 10) {
        grid += 'M';
        grid += number(xOf(lon, left));
        grid += ' ';
        grid += px(top);
        grid += 'V';
        grid += px(top + kMapHeight);
    }
    for (int lat = -10; lat <= 80; lat += 10) {
        grid += 'M';
        grid += px(kMargin);
        grid += ' ';
        grid += number(yOf(lat, top));
        grid += 'H';
        grid += px(kMargin + kMapWidth);
    }
    out().put(element("path", {{"d", grid}, {"fill", "none"}, {"stroke", "#7a7a7a"}, {"stroke-width", "0.8"}}));

    // Each square's number in the middle of the part of it the map shows.
    for (int south = -20; south <= 80; south += 10) {
        const double low = std::max(south, kSouth), high = std::min(south + 10, kNorth);
        for (int west = kWest; west < kEast; west += 10) {
            char label[8];
            std::snprintf(label, sizeof label, "%03d", geo::squareAt(south, west));
            out().put(element("text",
                              {{"x", number(xOf(west + 5, left))}, {"y", number(yOf((low + high) / 2, top) + 4)},
                               {"font-size", "11"}, {"fill", "#3c3c3c"}, {"text-anchor", "middle"}},
                              label));
        }
    }
    out().put("</g>\n");
    out().put(element("rect", {{"x", px(kMargin)}, {"y", px(top)}, {"width", px(kMapWidth)}, {"height", px(kMapHeight)},
                               {"fill", "none"}, {"stroke", "#333333"}, {"stroke-width", "1"}}));
}

void SvgMapExport::writeLegend(int* y) {
    int most = 0;
    for (const auto& [square, named] : m_counts.squares()) most = std::max(most, named.forms);
    *y += kLineHeight + 10;
    if (most == 0) {
        out().put(element("text", {{"x", px(kMargin)}, {"y", px(*y)}, {"font-size", "13"}},
                          "No selected form names a Marsden square."));
        return;
    }
    out().put(element("text", {{"x", px(kMargin)}, {"y", px(*y)}, {"font-size", "13"}},
                      "Selected forms naming the square:"));
    int x = kMargin + 270, low = 1;
    for (int k = 0; k < kClasses && low <= most; ++k) {
        const int high = classTop(k, most);
        if (high < low) continue;
        std::string range = std::to_string(low);
        if (high > low) {
            range += "\xE2\x80\x93"; // an en dash
            range += std::to_string(high);
        }
        out().put(element("rect", {{"x", px(x)}, {"y", px(*y - 12)}, {"width", "24"}, {"height", "14"},
                                   {"stroke", "#555555"}, {"stroke-width", "0.5"}, {"fill", kShades[k]},
                                   {"fill-opacity", "0.85"}}));
        out().put(element("text", {{"x", px(x + 30)}, {"y", px(*y)}, {"font-size", "13"}}, range));
        x += 110;
        low = high + 1;
    }
}

void SvgMapExport::writeOutside(int* y) {
    std::vector<std::string> outside;
    for (const auto& [square, named] : m_counts.squares()) {
        if (onMap(geo::squareBounds(square))) continue;
        char label[8];
        std::snprintf(label, sizeof label, "%03d", square);
        std::string entry = label;
        entry += " (";
        entry += formsText(named.forms);
        entry += ')';
        outside.push_back(entry);
    }
    if (outside.empty()) return;
    *y += kLineHeight + 6;
    out().put(element("text", {{"x", px(kMargin)}, {"y", px(*y)}, {"font-size", "13"}},
                      "Squares named outside this map:"));
    for (std::size_t i = 0; i < outside.size(); i += kOutsidePerLine) {
        std::string line;
        for (std::size_t j = i; j < std::min(outside.size(), i + kOutsidePerLine); ++j) {
            if (j > i) line += ", ";
            line += outside[j];
        }
        *y += kLineHeight - 2;
        out().put(element("text", {{"x", px(kMargin + 10)}, {"y", px(*y)}, {"font-size", "13"}}, line));
    }
}

void SvgMapExport::writeEnd() {
    // The height depends on the number of title lines and of squares outside the map.
    std::size_t outside = 0;
    for (const auto& [square, named] : m_counts.squares()) outside += onMap(geo::squareBounds(square)) ? 0 : 1;
    const int titleLines = static_cast<int>(reports::criteriaText(m_context.criteria).size()) + 1;
    const int outsideLines = outside == 0 ? 0 : 1 + static_cast<int>((outside + kOutsidePerLine - 1) / kOutsidePerLine);
    const int height =
        kMargin + titleLines * kLineHeight + 10 + kMapHeight + 2 * kLineHeight + outsideLines * kLineHeight + kMargin;
    std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    head += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"";
    head += px(kWidth);
    head += "\" height=\"";
    head += px(height);
    head += "\" viewBox=\"0 0 ";
    head += px(kWidth);
    head += ' ';
    head += px(height);
    head += "\" font-family=\"DejaVu Sans, Arial, sans-serif\">\n";
    out().put(head);
    out().put(element("rect", {{"width", px(kWidth)}, {"height", px(height)}, {"fill", "#ffffff"}}));
    int y = kMargin - 4;
    writeTitle(&y);
    const int mapTop = y + 10;
    writeMap(mapTop);
    y = mapTop + kMapHeight;
    writeLegend(&y);
    writeOutside(&y);
    out().put("</svg>\n");
}

} // namespace exports
