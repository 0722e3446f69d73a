// The regions of the Marsden square map window: bounds in map units, caption and land.
#include "geo/mapregion.h"

namespace geo {

const MapRegion& northAtlanticRegion() {
    static constexpr MapRegion region{"Marsden Squares - North Atlantic Region",
                                      24.0,
                                      20.0,
                                      -10.0f,
                                      -60.0f,
                                      20.0f,
                                      &landPoints,
                                      &landRingStarts,
                                      false,
                                      false};
    return region;
}

const MapRegion& worldRegion() {
    // The latitude base puts 90N at the top edge: -85 + 5 * (36 - 1).
    static constexpr MapRegion region{"Marsden Squares - World", 72.0, 36.0, -85.0f, -180.0f, 36.0f, &worldLandPoints,
                                      &worldLandRingStarts,      true, true};
    return region;
}

} // namespace geo
