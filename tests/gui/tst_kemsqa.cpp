// Qt Test of the Marsden square map window: status text, picking squares, Escape and the close box.
#include "geo/kemsqa.h"
#include "geo/msqcalc.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QScreen>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

// Drawing-area size at which map points fall on whole pixels: 40 pixels per map unit.
const QSize MapSize(960, 800);

QWidget* mapArea(kemsqa* window) {
    return window->findChild<QWidget*>(QStringLiteral("mapArea"));
}

QLineEdit* statusBox(kemsqa* window) {
    return window->findChild<QLineEdit*>(QStringLiteral("Text1"));
}

QPoint pixelAt(QWidget* map, double x, double y) {
    return QPoint(qRound(x * map->width() / 24.0), qRound(y * map->height() / 20.0));
}

// Bounding box of the pixels that differ between two pictures of the same size, inside within.
QRect changedRect(const QImage& before, const QImage& after, const QRect& within) {
    QRect changed;
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x)
            if (before.pixel(x, y) != after.pixel(x, y)) changed |= QRect(x, y, 1, 1);
    return changed;
}

} // namespace

class tst_kemsqa : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void designedWindow();
    void menuItemDoesNothing();
    void statusText_data();
    void statusText();
    void escapeHandsOverPicks_data();
    void escapeHandsOverPicks();
    void escapeWithoutClick();
    void closeBoxDiscardsPicks();
    void sameCellTwice();
    void markAtTopMiddleOfCell();
    void marksFollowResize();
    void openWhileOpen();
    void escapeAfterAreaFieldIsGone();
    void otherKeysDoNothing();

private:
    kemsqa* openMap();
    void resizeMap(kemsqa* window, const QSize& size);
    void pointAt(kemsqa* window, double x, double y);
    void clickAt(kemsqa* window, double x, double y);

    std::unique_ptr<QLineEdit> m_area;
};

void tst_kemsqa::init() {
    m_area = std::make_unique<QLineEdit>();
}

void tst_kemsqa::cleanup() {
    if (kemsqa* window = kemsqa::instance()) window->close();
    m_area.reset();
    geo::msqpicks().clear();
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

kemsqa* tst_kemsqa::openMap() {
    kemsqa* window = kemsqa::open(m_area.get());
    if (!QTest::qWaitForWindowExposed(window)) return nullptr;
    resizeMap(window, MapSize);
    return window;
}

void tst_kemsqa::resizeMap(kemsqa* window, const QSize& size) {
    QWidget* map = mapArea(window);
    window->resize(size + (window->size() - map->size()));
    QTRY_COMPARE(map->size(), size);
}

// Moves the pointer there; a step beside it first, since a move to where the pointer already is
// sends no event.
void tst_kemsqa::pointAt(kemsqa* window, double x, double y) {
    QWidget* map = mapArea(window);
    const QPoint pixel = pixelAt(map, x, y);
    QTest::mouseMove(map, pixel + QPoint(1, 1));
    QTest::mouseMove(map, pixel);
}

void tst_kemsqa::clickAt(kemsqa* window, double x, double y) {
    pointAt(window, x, y);
    QTest::mouseClick(mapArea(window), Qt::LeftButton, Qt::NoModifier, pixelAt(mapArea(window), x, y));
}

void tst_kemsqa::designedWindow() {
    kemsqa* window = kemsqa::open(m_area.get());
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->windowTitle(), QStringLiteral("Marsden Squares - North Atlantic Region"));
    QCOMPARE(kemsqa::instance(), window);

    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen->geometry();
    const QRect outer = window->frameGeometry();
    QVERIFY(std::abs(outer.width() - 0.8 * area.width()) <= 1);
    QVERIFY(std::abs(outer.height() - 0.8 * area.height()) <= 1);
    QVERIFY(std::abs(outer.left() - area.left() - 0.1 * area.width()) <= 1);
    QVERIFY(std::abs(outer.top() - area.top() - 0.1 * area.height()) <= 1);

    // Status box: left (W - L) / 3, top (H - T) / 1.1, size 3975 by 285 twips.
    QLineEdit* status = statusBox(window);
    QVERIFY(status);
    QCOMPARE(status->parentWidget(), mapArea(window));
    const double left = (outer.width() - (outer.left() - area.left())) / 3.0;
    const double top = (outer.height() - (outer.top() - area.top())) / 1.1;
    QVERIFY(std::abs(status->x() - left) <= 1);
    QVERIFY(std::abs(status->y() - top) <= 1);
    QVERIFY(std::abs(status->width() - 3975.0 / 1440.0 * screen->logicalDotsPerInchX()) <= 1);
    QVERIFY(std::abs(status->height() - 285.0 / 1440.0 * screen->logicalDotsPerInchY()) <= 1);
    QVERIFY(status->text().isEmpty());
}

void tst_kemsqa::menuItemDoesNothing() {
    kemsqa* window = openMap();
    QVERIFY(window);
    QAction* item = window->findChild<QAction*>(QStringLiteral("mnudum"));
    QVERIFY(item);
    QCOMPARE(item->text(), QStringLiteral("Press Esc to Return"));
    clickAt(window, 7.5, 6.5);
    item->trigger();
    QVERIFY(window->isVisible());
    QCOMPARE(QString::fromStdString(geo::msqpicks()), QStringLiteral(" OR ^183"));
    QVERIFY(m_area->text().isEmpty());
}

void tst_kemsqa::statusText_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<QString>("text");
    QTest::newRow("52.5N 20W") << 8.0 << 6.5 << QStringLiteral(" 52.5N 020.0W  Marsden Square: 183;120");
    QTest::newRow("5N 5E") << 13.0 << 16.0 << QStringLiteral(" 05.0N 005.0E  Marsden Square: 036;455");
    QTest::newRow("82.5N 57.5W") << 0.5 << 0.5 << QStringLiteral(" 82.5N 057.5W  Marsden Square: 906;227");
    QTest::newRow("equator 30E") << 18.0 << 17.0 << QStringLiteral(" 00.0N 030.0E  Marsden Square: 033;100");
    QTest::newRow("1.5S 5E") << 13.0 << 17.3 << QStringLiteral(" 01.5S 005.0E  Marsden Square: 335;215");
}

void tst_kemsqa::statusText() {
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(QString, text);
    kemsqa* window = openMap();
    QVERIFY(window);
    pointAt(window, x, y);
    QCOMPARE(statusBox(window)->text(), text);
}

void tst_kemsqa::escapeHandsOverPicks_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::newRow("empty field") << QString() << QStringLiteral("^183 OR ^184");
    QTest::newRow("field with an IHB area")
        << QStringLiteral("IHB01a") << QStringLiteral("IHB01a OR ^183 OR ^184");
}

void tst_kemsqa::escapeHandsOverPicks() {
    QFETCH(QString, before);
    QFETCH(QString, after);
    m_area->setText(before);
    kemsqa* window = openMap();
    QVERIFY(window);
    clickAt(window, 7.5, 6.5); // 50-55N 20-25W, square 183
    clickAt(window, 5.5, 6.5); // 50-55N 30-35W, square 184
    QTest::keyClick(window, Qt::Key_Escape);
    QCOMPARE(m_area->text(), after);
    QTRY_VERIFY(!kemsqa::instance());
}

void tst_kemsqa::escapeWithoutClick() {
    m_area->setText(QStringLiteral("IHB01a"));
    kemsqa* window = openMap();
    QVERIFY(window);
    pointAt(window, 8.0, 6.5);
    QTest::keyClick(window, Qt::Key_Escape);
    QCOMPARE(m_area->text(), QStringLiteral("IHB01a"));
    QVERIFY(!kemsqa::instance());
    QTRY_VERIFY(QApplication::topLevelWidgets().size() == 1);
}

void tst_kemsqa::closeBoxDiscardsPicks() {
    kemsqa* window = openMap();
    QVERIFY(window);
    clickAt(window, 7.5, 6.5);
    clickAt(window, 5.5, 6.5);
    QVERIFY(window->close());
    QVERIFY(m_area->text().isEmpty());
    QVERIFY(!kemsqa::instance());

    // The next opening starts afresh: no picks, a new window.
    kemsqa* again = openMap();
    QVERIFY(again);
    QVERIFY(geo::msqpicks().empty());
    QTest::keyClick(again, Qt::Key_Escape);
    QVERIFY(m_area->text().isEmpty());
}

void tst_kemsqa::sameCellTwice() {
    kemsqa* window = openMap();
    QVERIFY(window);
    QWidget* map = mapArea(window);
    const QRect above(0, 0, map->width(), statusBox(window)->y());
    clickAt(window, 7.2, 6.2);
    const QImage once = map->grab().toImage();
    clickAt(window, 7.8, 6.8);
    const QImage twice = map->grab().toImage();
    const QRect changed = changedRect(once, twice, above);
    // A second asterisk over the first, nowhere else.
    QVERIFY(changed.isEmpty() || QRect(300, 240, 24, 20).contains(changed));
    QTest::keyClick(window, Qt::Key_Escape);
    QCOMPARE(m_area->text(), QStringLiteral("^183 OR ^183"));
}

void tst_kemsqa::markAtTopMiddleOfCell() {
    kemsqa* window = openMap();
    QVERIFY(window);
    QWidget* map = mapArea(window);
    const QRect above(0, 0, map->width(), statusBox(window)->y());
    pointAt(window, 7.3, 6.7);
    const QImage before = map->grab().toImage();
    QTest::mouseClick(map, Qt::LeftButton, Qt::NoModifier, pixelAt(map, 7.3, 6.7));
    const QImage after = map->grab().toImage();

    // The cell from 7 to 8 across and 6 to 7 down: the "*" hangs from (7.5, 6), pixel (300, 240).
    const QRect changed = changedRect(before, after, above);
    QVERIFY(!changed.isEmpty());
    const QByteArray where = QStringLiteral("changed %1,%2 %3x%4")
                                 .arg(changed.x())
                                 .arg(changed.y())
                                 .arg(changed.width())
                                 .arg(changed.height())
                                 .toLatin1();
    QVERIFY2(QRect(300, 240, 24, 20).contains(changed), where.constData());
    QCOMPARE(QString::fromStdString(geo::msqpicks()), QStringLiteral(" OR ^183"));
}

void tst_kemsqa::marksFollowResize() {
    kemsqa* window = openMap();
    QVERIFY(window);
    QWidget* map = mapArea(window);
    resizeMap(window, QSize(480, 400));
    const QRect above(0, 0, 480, qMin(400, statusBox(window)->y()));
    const QImage plain = map->grab().toImage();

    resizeMap(window, MapSize);
    clickAt(window, 7.5, 6.5);
    resizeMap(window, QSize(480, 400));
    const QImage marked = map->grab().toImage();

    // Half the size: the mark of (7.5, 6) now hangs from pixel (150, 120).
    const QRect changed = changedRect(plain, marked, above);
    QVERIFY(!changed.isEmpty());
    QVERIFY(QRect(150, 120, 24, 20).contains(changed));
}

void tst_kemsqa::openWhileOpen() {
    kemsqa* window = openMap();
    QVERIFY(window);
    QWidget* map = mapArea(window);
    clickAt(window, 7.5, 6.5);
    const QImage marked = map->grab().toImage();

    QCOMPARE(kemsqa::open(m_area.get()), window);
    QVERIFY(geo::msqpicks().empty());
    QCOMPARE(map->grab().toImage(), marked); // the asterisk stays on the map

    QTest::keyClick(window, Qt::Key_Escape);
    QVERIFY(m_area->text().isEmpty());
    QVERIFY(!kemsqa::instance());
}

void tst_kemsqa::escapeAfterAreaFieldIsGone() {
    kemsqa* window = openMap();
    QVERIFY(window);
    clickAt(window, 7.5, 6.5);
    m_area.reset();
    QTest::keyClick(window, Qt::Key_Escape);
    QVERIFY(!kemsqa::instance());
}

void tst_kemsqa::otherKeysDoNothing() {
    kemsqa* window = openMap();
    QVERIFY(window);
    clickAt(window, 7.5, 6.5);
    QTest::keyClick(mapArea(window), Qt::Key_Return);
    QTest::keyClicks(mapArea(window), QStringLiteral("abc"));
    QVERIFY(window->isVisible());
    QVERIFY(m_area->text().isEmpty());
    QCOMPARE(QString::fromStdString(geo::msqpicks()), QStringLiteral(" OR ^183"));

    // Escape reaches the window from the drawing area, where the keyboard focus is.
    QTest::keyClick(mapArea(window), Qt::Key_Escape);
    QCOMPARE(m_area->text(), QStringLiteral("^183"));
}

QTEST_MAIN(tst_kemsqa)
#include "tst_kemsqa.moc"
