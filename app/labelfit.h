// Sizes labels so that their text is seen whole in the room they have.
#ifndef APP_LABELFIT_H
#define APP_LABELFIT_H

#include <QSize>
#include <QString>

class QLabel;

namespace app {

/// A label that sizes itself to its text: one line per line of text, as wide as the widest,
/// when that fits room; else wrapped to the room's width, as narrow as keeps its height; else
/// elided (below). The label keeps its top left corner.
void fitCaption(QLabel* label, const QString& text, const QSize& room);

/// A word-wrapped label with a designed size, least: it keeps least while the text fits it,
/// grows wider up to room.width() before it grows higher up to room.height(), and when even
/// room is too small it shows the lines that fit, the last one ending in an ellipsis, with the
/// whole text as its tooltip. The label keeps its top left corner.
void fitBox(QLabel* label, const QString& text, const QSize& least, const QSize& room);

} // namespace app

#endif // APP_LABELFIT_H
