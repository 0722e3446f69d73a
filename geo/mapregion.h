// The regions of the Marsden square map window: bounds in map units, caption and land.
#ifndef GEO_MAPREGION_H
#define GEO_MAPREGION_H

#include <cstdint>
#include <span>
#include <string_view>

#include "geo/landdata.h"

namespace geo {

/// What a map window shows, as data: one window class serves every region. Map units are 5
/// degrees; X grows eastwards from the west edge, Y southwards from the north edge.
struct MapRegion {
    std::string_view caption;
    double width;  // map units across
    double height; // map units down
    // msqcalc's bases: the latitude of the top edge of the bottom row, the longitude at X = 0
    // and the number of 5-degree rows.
    float latitudeBase;
    float longitudeBase;
    float rows;
    std::span<const LandPoint> (*landPoints)();
    std::span<const std::uint32_t> (*landRingStarts)();
    bool navigable;  // the wheel, the keys and a drag zoom and pan; Shift and a drag draws a box
    bool wholeGlobe; // its edges are the globe's: a point on one reads the square inside it

    /// The latitude of the north edge and the longitude of the west edge, in degrees.
    double north() const { return latitudeBase + 5.0 * (static_cast<double>(rows) - 1.0); }
    double west() const { return longitudeBase; }
    /// The map point of a longitude and latitude, in map units: {(lon - west) / 5, (north - lat) / 5}.
    double xOf(double longitude) const { return (longitude - west()) / 5.0; }
    double yOf(double latitude) const { return (north() - latitude) / 5.0; }
};

/// "Marsden Squares - North Atlantic Region": 60W to 60E, 85N to 15S, 24 by 20 units.
const MapRegion& northAtlanticRegion();
/// "Marsden Squares - World": 180W to 180E, 90N to 90S, 72 by 36 units, the squares 901 to
/// 936 along its top.
const MapRegion& worldRegion();

} // namespace geo

#endif // GEO_MAPREGION_H
