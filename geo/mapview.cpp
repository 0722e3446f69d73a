// What a map window shows of its region: the part in view, and pixels to map units and back.
#include "geo/mapview.h"

#include <algorithm>

namespace geo {

// With the whole region in view these are x * width / pixels and back, as the map has always
// been drawn: the view's corner is 0 and adding it changes nothing.
QPointF MapView::toMap(QPointF pixel, QSizeF pixels) const {
    return QPointF(m_visible.x() + pixel.x() * m_visible.width() / pixels.width(),
                   m_visible.y() + pixel.y() * m_visible.height() / pixels.height());
}

QPointF MapView::toPixel(QPointF map, QSizeF pixels) const {
    return QPointF((map.x() - m_visible.x()) * pixels.width() / m_visible.width(),
                   (map.y() - m_visible.y()) * pixels.height() / m_visible.height());
}

void MapView::reset() {
    m_visible = QRectF(0.0, 0.0, m_region->width, m_region->height);
}

void MapView::zoomAt(QPointF pixel, QSizeF pixels, double factor) {
    if (!m_region->navigable || factor <= 0.0) return;
    const double most = m_region->width * 5.0 / kNarrowestDegrees;
    const double next = std::clamp(zoom() * factor, 1.0, most);
    const QPointF anchor = toMap(pixel, pixels);
    const QSizeF size(m_region->width / next, m_region->height / next);
    const QPointF fraction(pixel.x() / pixels.width(), pixel.y() / pixels.height());
    m_visible =
        QRectF(QPointF(anchor.x() - fraction.x() * size.width(), anchor.y() - fraction.y() * size.height()), size);
    keepInside();
}

void MapView::panBy(QPointF pixels, QSizeF size) {
    if (!m_region->navigable) return;
    m_visible.translate(-pixels.x() * m_visible.width() / size.width(),
                        -pixels.y() * m_visible.height() / size.height());
    keepInside();
}

void MapView::keepInside() {
    const double x = std::clamp(m_visible.x(), 0.0, m_region->width - m_visible.width());
    const double y = std::clamp(m_visible.y(), 0.0, m_region->height - m_visible.height());
    m_visible.moveTopLeft(QPointF(x, y));
}

} // namespace geo
