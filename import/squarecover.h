// The Marsden squares a cruise covers: those of its track's points, or those its boxes overlap.
#ifndef IMPORT_SQUARECOVER_H
#define IMPORT_SQUARECOVER_H

#include <vector>

namespace csrimport {

/// A point in degrees, east and north positive.
struct GeoPoint {
    double latitude;
    double longitude;
};

/// A bounding box in degrees; west above east crosses the antimeridian.
struct GeoBox {
    double south, west, north, east;
};

/// The square of a point (latitude -90 to 90, longitude -180 to 180) as the map numbers it:
/// a point on a parallel belongs to the square north of it (90N to the 80-90N row); on a
/// meridian west of Greenwich, and on Greenwich, to the square west of it; on a meridian east of
/// Greenwich to the square east of it; 180 to the square west of the antimeridian, -180 to
/// the square east of it.
///   (52.5, -20) => 183; (50, -30) => 184 (50-60N, 30-40W); (0, 0) => 1; (0, 10) => 35;
///   (-10, -5) => 300; (90, 5) => 936; (10, 180) => 54; (10, -180) => 55
int pointSquare(double latitude, double longitude);

/// Appends to squares, each once, the squares of one sequence of track points: the first
/// point's, then for each segment the squares of points at most one degree apart along it
/// (longitude the short way round), then its end point's.
void appendTrackSquares(const std::vector<GeoPoint>& sequence, std::vector<int>& squares);

/// The squares whose interior one of the boxes overlaps, in increasing number; a box without
/// width or height (from 180 to -180 included: points at both) lists the squares its points
/// fall in, as pointSquare numbers them.
///   {50, -30, 60, -20} => {183}; {50, -25, 55, -25} => {183} (a line on 25W)
std::vector<int> boxSquares(const std::vector<GeoBox>& boxes);

} // namespace csrimport

#endif // IMPORT_SQUARECOVER_H
