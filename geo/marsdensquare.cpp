// Marsden squares as areas of the globe, and the squares a form's location names.
#include "geo/marsdensquare.h"

#include <algorithm>

namespace geo {

namespace {

constexpr int kColumns = 36;

// Column c of a row covers 10c to 10c + 10 degrees West, east longitudes counted from 360.
void setColumn(int column, SquareBounds* bounds) {
    int west = -(10 * column + 10), east = -10 * column;
    if (west < -180) {
        west += 360;
        east += 360;
    }
    bounds->west = west;
    bounds->east = east;
}

} // namespace

bool isSquare(int n) {
    return (n >= 1 && n <= 288) || (n >= 300 && n <= 623) || (n >= 901 && n <= 936);
}

SquareBounds squareBounds(int n) {
    SquareBounds bounds{};
    int row = 0, column = 0;
    if (n >= 901) { // 80N to 90N: 36 * 8 + column + 613
        row = 8;
        column = n - 901;
    } else if (n >= 300) { // south: 300 + 36 * row + column, rows counted from the equator
        row = (n - 300) / kColumns;
        column = (n - 300) % kColumns;
        bounds.north = -10 * row;
        bounds.south = bounds.north - 10;
        setColumn(column, &bounds);
        return bounds;
    } else {
        row = (n - 1) / kColumns;
        column = (n - 1) % kColumns;
    }
    bounds.south = 10 * row;
    bounds.north = bounds.south + 10;
    setColumn(column, &bounds);
    return bounds;
}

int squareAt(int south, int west) {
    // Columns count westwards from Greenwich: 0 to 10W is column 0, 0 to 10E column 35.
    const int column = ((-(west + 10)) / 10 + kColumns) % kColumns;
    if (south >= 80) return 901 + column;
    if (south >= 0) return kColumns * (south / 10) + column + 1;
    return 300 + kColumns * ((-south) / 10 - 1) + column;
}

std::vector<int> namedSquares(std::string_view line2) {
    std::vector<int> squares;
    namedSquares(line2, squares);
    return squares;
}

void namedSquares(std::string_view line2, std::vector<int>& squares) {
    squares.clear();
    if (line2.substr(0, 2) == "CH") line2.remove_prefix(std::min<std::size_t>(3, line2.size()));
    for (;;) {
        const std::size_t sep = line2.find('^');
        const std::string_view field = line2.substr(0, sep);
        const bool digits = !field.empty() && field.size() <= 3 &&
                            std::all_of(field.begin(), field.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (digits) {
            int n = 0;
            for (char c : field)
                n = 10 * n + (c - '0');
            if (isSquare(n) && std::find(squares.begin(), squares.end(), n) == squares.end()) squares.push_back(n);
        }
        if (sep == std::string_view::npos) return;
        line2.remove_prefix(sep + 1);
    }
}

} // namespace geo
