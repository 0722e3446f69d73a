// Marsden square numbering of a map point, and the recording of picked squares.
#ifndef GEO_MSQCALC_H
#define GEO_MSQCALC_H

#include <string>

namespace geo {

/// What msqcalc tells of a map point.
struct MsqPoint {
    float latitude;   // magnitude, degrees
    char northSouth;  // 'N' or 'S'
    float longitude;  // magnitude, degrees
    char eastWest;    // 'E' or 'W'
    std::string label; // "183;120": square, ";", quadrant digit, latitude and longitude units digits
};

/// Latitude, longitude and square label of map point (x, y); one unit is 5 degrees, y grows
/// downwards. With the map's values (x, y, -10, -60, 20): (8, 6.5) => 52.5N 20W, "183;120".
MsqPoint msqcalc(float x, float y, float latitudeBase, float longitudeBase, float rows);

/// The status text of the map: " 52.5N 020.0W  Marsden Square: 183;120".
std::string msqStatusText(const MsqPoint& point);

/// Appends " OR ^" and the first three characters of the label to picks; button and shift
/// play no part.
void msqpick(int button, int shift, const std::string& label, std::string& picks);

/// The program-wide picked squares of the map window.
std::string& msqpicks();

} // namespace geo

#endif // GEO_MSQCALC_H
