// Marsden squares as areas of the globe, and the squares a form's location names.
#ifndef GEO_MARSDENSQUARE_H
#define GEO_MARSDENSQUARE_H

#include <string_view>
#include <vector>

namespace geo {

/// The 10-degree area of a square, in degrees, east and north positive.
struct SquareBounds {
    int west, east, south, north;
};

/// Whether n is the number of a square: 1 to 288 north of the equator (below 80N), 300 to 623
/// south of it, 901 to 936 from 80N. 289 to 299 number no square.
bool isSquare(int n);

/// The area of square n (isSquare(n)): 183 => 30W to 20W, 50N to 60N; 300 => 10W to 0, 10S to 0;
/// 36 => 0 to 10E, 0 to 10N; 936 => 0 to 10E, 80N to 90N.
SquareBounds squareBounds(int n);

/// The square whose south-west corner is at (south, west), both multiples of 10, south from
/// -90 to 80, west from -180 to 170: (50, -30) => 183, (-10, -10) => 300, (80, 0) => 936.
int squareAt(int south, int west);

/// The squares a location line (line 2 of a form) names, each once, in the order named: the
/// "^"-separated fields, after a leading "CH" track-chart mark and its separator, that are
/// one to three digits and number a square; leading zeros do not matter.
///   "CH^217^218^IHB02" => {217, 218}; "183^074^183^1831^0184^999" => {183, 74}
std::vector<int> namedSquares(std::string_view line2);
/// The same into squares.
void namedSquares(std::string_view line2, std::vector<int>& squares);

} // namespace geo

#endif // GEO_MARSDENSQUARE_H
