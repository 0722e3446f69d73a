// A view button: a label that opens a report, framed while it has the keyboard.
#include "app/viewbutton.h"

#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace app {

ViewButton::ViewButton(QWidget* parent) : QLabel(parent) {}

// The style decides when a frame is due: Fusion and Windows draw it once the keyboard has moved
// the focus, not after a click.
void ViewButton::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus()) return;
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.backgroundColor = palette().color(backgroundRole());
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}

} // namespace app
