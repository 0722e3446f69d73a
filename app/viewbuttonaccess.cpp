// The view buttons as assistive technology sees them: buttons named by their captions.
#include "app/viewbuttonaccess.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>

namespace app {

namespace {

class ViewButtonAccessible : public QAccessibleWidget {
public:
    explicit ViewButtonAccessible(QLabel* label) : QAccessibleWidget(label, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name) return QAccessibleWidget::text(t);
        const QString name = widget()->accessibleName();
        return name.isEmpty() ? static_cast<QLabel*>(widget())->text() : name;
    }
    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action != pressAction()) {
            QAccessibleWidget::doAction(action);
            return;
        }
        // The window presses a view button on Space.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QCoreApplication::sendEvent(widget(), &press);
    }
};

QAccessibleInterface* viewButtonFactory(const QString& className, QObject* object) {
    if (className != QLatin1String("QLabel") || !object || !object->property(kViewButtonProperty).toBool())
        return nullptr;
    return new ViewButtonAccessible(static_cast<QLabel*>(object));
}

} // namespace

void installViewButtonAccess() {
    static const bool installed = [] {
        QAccessible::installFactory(viewButtonFactory);
        return true;
    }();
    (void)installed;
}

} // namespace app
