// What a map window shows of its region: the part in view, and pixels to map units and back.
#ifndef GEO_MAPVIEW_H
#define GEO_MAPVIEW_H

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include "geo/mapregion.h"

namespace geo {

/// The part of a region in view, in map units, drawn over a drawing area of some pixels. At
/// first the whole region; a navigable region zooms in down to kNarrowestDegrees across and
/// pans within its bounds. Everything a window draws and every pointer position it reads goes
/// through toPixel() and toMap().
class MapView {
public:
    /// The narrowest view, in degrees of longitude across.
    static constexpr double kNarrowestDegrees = 30.0;

    explicit MapView(const MapRegion& region) : m_region(&region) { reset(); }

    const MapRegion& region() const { return *m_region; }
    /// The part in view, in map units.
    const QRectF& visible() const { return m_visible; }
    /// How many times the whole region's width the view is: 1 shows it all.
    double zoom() const { return m_region->width / m_visible.width(); }

    /// A pixel of a drawing area of size pixels as a map point, and back.
    QPointF toMap(QPointF pixel, QSizeF pixels) const;
    QPointF toPixel(QPointF map, QSizeF pixels) const;

    /// The whole region again.
    void reset();
    /// Zooms in by factor (out below 1), keeping the map point under pixel where it is, as far
    /// as the narrowest view and the region's bounds allow.
    void zoomAt(QPointF pixel, QSizeF pixels, double factor);
    /// Moves the view by a pixel distance: the map follows the pointer.
    void panBy(QPointF pixels, QSizeF size);

private:
    void keepInside();

    const MapRegion* m_region;
    QRectF m_visible;
};

} // namespace geo

#endif // GEO_MAPVIEW_H
