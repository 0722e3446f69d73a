// Places a top-level window by its outer edges, title bar and borders included.
#ifndef GEO_FRAMEDPLACEMENT_H
#define GEO_FRAMEDPLACEMENT_H

#include <QRect>

class QWidget;

namespace geo {

/// Gives the created top-level window the outer geometry frame, in screen pixels: at once with
/// the frame the window system reports now, and once more when a window manager frames the
/// window after it is shown (X11 reports no frame before that). Later moves are the user's.
void placeFramed(QWidget* window, const QRect& frame);

} // namespace geo

#endif // GEO_FRAMEDPLACEMENT_H
