// The progress box of a search run: read-only text that shows when it has the keyboard.
#include "app/progressbox.h"

#include <QPainter>
#include <QPen>

namespace app {

ProgressBox::ProgressBox(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setTabChangesFocus(true);
}

// The frame is painted by the box itself, the text by its viewport: the focus frame goes over
// the frame, once the box has painted it.
bool ProgressBox::event(QEvent* event) {
    const bool handled = QPlainTextEdit::event(event);
    if (event->type() == QEvent::Paint && hasFocus()) {
        QPainter painter(this);
        const int width = qMax(2, frameWidth());
        painter.setPen(QPen(palette().color(QPalette::Highlight), width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.setBrush(Qt::NoBrush);
        const int inset = width / 2;
        painter.drawRect(rect().adjusted(inset, inset, -inset - width % 2, -inset - width % 2));
    }
    return handled;
}

void ProgressBox::focusInEvent(QFocusEvent* event) {
    QPlainTextEdit::focusInEvent(event);
    update();
}

void ProgressBox::focusOutEvent(QFocusEvent* event) {
    QPlainTextEdit::focusOutEvent(event);
    update();
}

} // namespace app
