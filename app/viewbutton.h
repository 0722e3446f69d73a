// A view button: a label that opens a report, framed while it has the keyboard.
#ifndef APP_VIEWBUTTON_H
#define APP_VIEWBUTTON_H

#include <QLabel>

namespace app {

/// A label drawn as designed (centred caption, no frame of its own) that draws the style's focus
/// frame over itself while it has the keyboard focus, as a push button does.
class ViewButton : public QLabel {
    Q_OBJECT

public:
    explicit ViewButton(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace app

#endif // APP_VIEWBUTTON_H
