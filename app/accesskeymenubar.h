// A menu bar on which an access key shared by several entries moves a highlight.
#ifndef APP_ACCESSKEYMENUBAR_H
#define APP_ACCESSKEYMENUBAR_H

#include <QList>
#include <QMenuBar>
#include <QPointer>

class QAction;
class QKeySequence;

/// Captions such as "S&earch" and "&End" give two entries one access key. A key of one entry
/// runs it, as on any menu bar; a key shared by several never runs a command: each press
/// highlights the next entry with that key, and Enter, Return or Space runs the highlighted
/// one (opens it at its first item, for a menu). Escape, a click or another key drops the
/// highlight. A key shared only with hidden entries acts as the key of the one entry shown.
class AccessKeyMenuBar : public QMenuBar {
    Q_OBJECT

public:
    explicit AccessKeyMenuBar(QWidget* parent = nullptr);

    /// The entry a shared access key has highlighted, or null.
    QAction* highlighted() const { return m_highlighted; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    class KeyWatch;

    QList<QAction*> entriesFor(const QKeySequence& key) const;
    void highlightNext(const QList<QAction*>& entries);
    bool watchedEvent(QEvent* event);
    void run(QAction* entry);
    void dropHighlight();

    QPointer<QAction> m_highlighted;
    KeyWatch* m_watch; // sees the application's events while an entry is highlighted
};

#endif // APP_ACCESSKEYMENUBAR_H
