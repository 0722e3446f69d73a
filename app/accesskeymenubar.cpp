// A menu bar on which an access key shared by several entries moves a highlight.
#include "app/accesskeymenubar.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QPainter>
#include <QShortcutEvent>
#include <QStyleOptionMenuItem>

#include <algorithm>

// The menu bar filters the application's events itself when Alt is pressed alone; its own
// filter for the highlight is this separate object, so that neither removes the other.
class AccessKeyMenuBar::KeyWatch : public QObject {
public:
    explicit KeyWatch(AccessKeyMenuBar* bar) : QObject(bar), m_bar(bar) {}
    bool eventFilter(QObject*, QEvent* event) override { return m_bar->watchedEvent(event); }

private:
    AccessKeyMenuBar* m_bar;
};

AccessKeyMenuBar::AccessKeyMenuBar(QWidget* parent) : QMenuBar(parent), m_watch(new KeyWatch(this)) {}

// The entries that can be reached now whose access key is key, in menu-bar order.
QList<QAction*> AccessKeyMenuBar::entriesFor(const QKeySequence& key) const {
    QList<QAction*> entries;
    for (QAction* entry : actions())
        if (entry->isVisible() && entry->isEnabled() && !entry->isSeparator() &&
            QKeySequence::mnemonic(entry->text()) == key)
            entries << entry;
    return entries;
}

bool AccessKeyMenuBar::event(QEvent* event) {
    if (event->type() == QEvent::Shortcut) {
        auto* shortcut = static_cast<QShortcutEvent*>(event);
        const QList<QAction*> entries = entriesFor(shortcut->key());
        if (entries.size() > 1) {
            highlightNext(entries);
            return true;
        }
        dropHighlight();
        // A key grabbed by a hidden entry too reaches here as ambiguous: the one entry that
        // can be reached is the one meant.
        if (shortcut->isAmbiguous() && entries.size() == 1) {
            run(entries.front());
            return true;
        }
    }
    return QMenuBar::event(event);
}

void AccessKeyMenuBar::highlightNext(const QList<QAction*>& entries) {
    const qsizetype at = entries.indexOf(m_highlighted.data());
    if (!m_highlighted) qApp->installEventFilter(m_watch);
    m_highlighted = entries[(at + 1) % entries.size()];
    update();
}

void AccessKeyMenuBar::dropHighlight() {
    if (!m_highlighted) return;
    m_highlighted = nullptr;
    qApp->removeEventFilter(m_watch);
    update();
}

// A command runs; a menu opens as its own access key opens it, at its first item, so that Enter
// runs that item and Down moves to the second.
void AccessKeyMenuBar::run(QAction* entry) {
    QMenu* menu = entry->menu();
    if (!menu) {
        entry->trigger();
        return;
    }
    setActiveAction(entry);
    const QList<QAction*> items = menu->actions();
    const auto first = std::find_if(items.begin(), items.end(), [](const QAction* item) {
        return item->isVisible() && item->isEnabled() && !item->isSeparator();
    });
    if (first != items.end()) menu->setActiveAction(*first);
}

// While an entry is highlighted, the keys that run or drop it go to the menu bar first.
bool AccessKeyMenuBar::watchedEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & (Qt::AltModifier | Qt::MetaModifier)) break; // the next access key
        switch (key->key()) {
        case Qt::Key_Enter:
        case Qt::Key_Return:
        case Qt::Key_Space:
            if (event->type() == QEvent::KeyPress) {
                QAction* entry = m_highlighted;
                dropHighlight();
                if (entry) run(entry);
            }
            event->accept();
            return true;
        case Qt::Key_Escape:
            if (event->type() == QEvent::KeyPress) dropHighlight();
            event->accept();
            return true;
        case Qt::Key_Alt:
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Meta:
            break;
        default:
            if (event->type() == QEvent::KeyPress) dropHighlight();
            break;
        }
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::WindowDeactivate:
        dropHighlight();
        break;
    default:
        break;
    }
    return false;
}

// The highlighted entry is drawn as the title of an open menu: selected, pressed and with the
// keyboard, the state every style marks. Selected alone is not enough: Fusion marks an entry
// only when it is also pressed, Windows only when the bar also has the keyboard.
void AccessKeyMenuBar::paintEvent(QPaintEvent* event) {
    QMenuBar::paintEvent(event);
    if (!m_highlighted || !m_highlighted->isVisible()) return;
    QPainter painter(this);
    QStyleOptionMenuItem option;
    initStyleOption(&option, m_highlighted);
    option.rect = actionGeometry(m_highlighted);
    option.state |= QStyle::State_Selected | QStyle::State_Sunken | QStyle::State_HasFocus;
    painter.setClipRect(option.rect);
    style()->drawControl(QStyle::CE_MenuBarItem, &option, &painter, this);
}
