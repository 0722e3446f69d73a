// The progress box of a search run: read-only text that shows when it has the keyboard.
#ifndef APP_PROGRESSBOX_H
#define APP_PROGRESSBOX_H

#include <QPlainTextEdit>

namespace app {

/// A read-only text box in the Tab chain, framed in the highlight colour while it has the
/// keyboard: the style draws no focus on a text box of its own, and a stop that shows nothing
/// is one the user cannot find. Tab goes on to the next control.
class ProgressBox : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit ProgressBox(QWidget* parent = nullptr);

protected:
    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

} // namespace app

#endif // APP_PROGRESSBOX_H
