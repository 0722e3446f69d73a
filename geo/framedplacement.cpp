// Places a top-level window by its outer edges, title bar and borders included.
#include "geo/framedplacement.h"

#include <QEvent>
#include <QMargins>
#include <QWidget>
#include <QWindow>

namespace geo {

namespace {

QMargins frameMargins(const QWidget* window) {
    const QWindow* handle = window->windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

// The size is that of the client area; the position is that of the frame.
void place(QWidget* window, const QRect& frame, const QMargins& margins) {
    window->resize(frame.width() - margins.left() - margins.right(),
                   frame.height() - margins.top() - margins.bottom());
    window->move(frame.topLeft());
}

// Waits on the native window for the first move, resize or exposure that comes with a frame,
// places the window again and goes. The widget itself hears of none of them when the window
// manager keeps the client area where it was.
class FrameWatch : public QObject {
public:
    FrameWatch(QWidget* window, const QRect& frame) : QObject(window), m_window(window), m_frame(frame) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::Move && type != QEvent::Resize && type != QEvent::Expose) return false;
        const QMargins margins = frameMargins(m_window);
        if (margins.isNull()) return false;
        watched->removeEventFilter(this);
        deleteLater();
        place(m_window, m_frame, margins);
        return false;
    }

private:
    QWidget* m_window;
    QRect m_frame;
};

} // namespace

void placeFramed(QWidget* window, const QRect& frame) {
    const QMargins margins = frameMargins(window);
    place(window, frame, margins);
    if (margins.isNull() && window->windowHandle())
        window->windowHandle()->installEventFilter(new FrameWatch(window, frame));
}

} // namespace geo
