// The Marsden squares a cruise covers.
#include "import/squarecover.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "geo/marsdensquare.h"

namespace csrimport {

namespace {

// The south edge of the row of a latitude: 90 is in the 80-90N row.
int rowSouth(double latitude) {
    if (latitude >= 90) return 80;
    return static_cast<int>(std::floor(latitude / 10)) * 10;
}

// The west edge of the column of a longitude as the map numbers it (geo/msqcalc.cpp): west of
// Greenwich and on it a point on a meridian goes west, east of it east.
int columnWest(double longitude) {
    if (longitude >= 180) return -180;
    if (longitude <= -180) return 170;
    if (longitude <= 0) return -10 * static_cast<int>(std::floor(-longitude / 10)) - 10;
    return 10 * static_cast<int>(std::floor(longitude / 10));
}

double wrapLongitude(double longitude) {
    if (longitude > 180) return longitude - 360;
    if (longitude < -180) return longitude + 360;
    return longitude;
}

void appendOnce(int square, std::vector<int>& squares) {
    if (std::find(squares.begin(), squares.end(), square) == squares.end()) squares.push_back(square);
}

// Whether some longitude of [a, b] falls in the column of west edge w as columnWest numbers it.
bool columnHolds(int w, double a, double b) {
    if (w == -180 && b >= 180) return true;
    if (w == 170 && a <= -180) return true;
    if (w + 10 <= 0) return a <= w + 10 && b > w; // (w, w + 10]
    if (w == 0) return a < 10 && b > 0;           // (0, 10)
    return a < w + 10 && b >= w;                  // [w, w + 10)
}

// Whether some latitude of [s, n] falls in the row of south edge r.
bool rowHolds(int r, double s, double n) {
    if (r == 80) return n >= 80 && s <= 90;
    return s < r + 10 && n >= r;
}

// The longitude intervals of a box: two when it crosses the antimeridian.
std::vector<std::pair<double, double>> longitudeRanges(const GeoBox& box) {
    if (box.west <= box.east) return {{box.west, box.east}};
    return {{box.west, 180.0}, {-180.0, box.east}};
}

// How a box meets the grid: a flat box is a line of latitude, a thin one a line of longitude.
// From 180 to -180 a box crosses the antimeridian without width: a line on it.
struct BoxShape {
    explicit BoxShape(const GeoBox& box)
        : flat(box.south == box.north), antimeridian(box.west == 180 && box.east == -180),
          thin(box.west == box.east || antimeridian) {}
    bool flat;
    bool antimeridian;
    bool thin;
};

// Whether a box covers part of the row of south edge r.
bool boxHoldsRow(const GeoBox& box, const BoxShape& shape, int r) {
    return shape.flat   ? rowSouth(box.south) == r
           : shape.thin ? rowHolds(r, box.south, box.north)
                        : box.south < r + 10 && box.north > r;
}

// Whether a box covers part of the column of west edge w.
bool boxHoldsColumn(const GeoBox& box, const BoxShape& shape, int w) {
    if (shape.thin) return columnWest(box.west) == w || (shape.antimeridian && columnWest(box.east) == w);
    bool column = false;
    for (const auto& [a, b] : longitudeRanges(box))
        column = column || (shape.flat ? columnHolds(w, a, b) : a < w + 10 && b > w);
    return column;
}

} // namespace

int pointSquare(double latitude, double longitude) {
    return geo::squareAt(rowSouth(latitude), columnWest(longitude));
}

void appendTrackSquares(const std::vector<GeoPoint>& sequence, std::vector<int>& squares) {
    for (std::size_t i = 0; i < sequence.size(); ++i) {
        const GeoPoint& end = sequence[i];
        if (i > 0) {
            const GeoPoint& start = sequence[i - 1];
            const double dlat = end.latitude - start.latitude;
            double dlon = end.longitude - start.longitude;
            if (dlon > 180) dlon -= 360;
            if (dlon < -180) dlon += 360;
            const double length = std::sqrt(dlat * dlat + dlon * dlon);
            if (length > 1) {
                const int n = static_cast<int>(std::ceil(length));
                for (int k = 1; k < n; ++k)
                    appendOnce(pointSquare(start.latitude + dlat * k / n, wrapLongitude(start.longitude + dlon * k / n)),
                               squares);
            }
        }
        appendOnce(pointSquare(end.latitude, end.longitude), squares);
    }
}

std::vector<int> boxSquares(const std::vector<GeoBox>& boxes) {
    std::set<int> found;
    for (const GeoBox& box : boxes) {
        const BoxShape shape(box);
        for (int r = -90; r <= 80; r += 10) {
            if (!boxHoldsRow(box, shape, r)) continue;
            for (int w = -180; w <= 170; w += 10)
                if (boxHoldsColumn(box, shape, w)) found.insert(geo::squareAt(r, w));
        }
    }
    return std::vector<int>(found.begin(), found.end());
}

} // namespace csrimport
