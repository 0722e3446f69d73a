// Qt Test of the Marsden square map window: status text, picking squares, Escape and the close box.
#include "geo/kemsqa.h"
#include "geo/mapregion.h"
#include "geo/msqcalc.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSignalSpy>
#include <QWheelEvent>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

// Drawing-area size at which map points fall on whole pixels: 40 pixels per map unit.
const QSize MapSize(960, 800);

// The world's drawing area at 40 pixels a map unit (8 pixels a degree).
const QSize WorldSize(2880, 1440);

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

    void worldWindow();
    void worldStatusText_data();
    void worldStatusText();
    void worldClicksZoomAndPan();
    void worldKeysAndHome();
    void worldTintsAndOutlinesThePacific();
    void worldShiftDragDrawsABox();

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
    if (kemsqa* window = kemsqa::instance(geo::worldRegion())) window->close();
    kemsqa::setLastResult({});
    kemsqa::setOutlined({});
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

namespace {

// A move of the pointer to pixel of the drawing area, as the window system reports it (QTest
// takes the pixel 0,0 for the middle of the widget).
void movePointer(QWidget* map, QPoint pixel) {
    QMouseEvent move(QEvent::MouseMove, QPointF(pixel), QPointF(map->mapToGlobal(pixel)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(map, &move);
}

// A turn of the wheel over pixel: notches of 120, positive away from the user (zoom in).
void turnWheel(QWidget* map, QPoint pixel, int notches) {
    QWheelEvent wheel(QPointF(pixel), QPointF(map->mapToGlobal(pixel)), QPoint(), QPoint(0, 120 * notches),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(map, &wheel);
}

kemsqa* openWorld(QLineEdit* area) {
    kemsqa* window = kemsqa::open(geo::worldRegion(), area);
    if (!QTest::qWaitForWindowExposed(window)) return nullptr;
    QWidget* map = mapArea(window);
    window->resize(WorldSize + (window->size() - map->size()));
    if (!QTest::qWaitFor([&] { return map->size() == WorldSize; })) return nullptr;
    return window;
}

} // namespace

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

// The world: its own caption, the North Atlantic's geometry rules, its own picks.
void tst_kemsqa::worldWindow() {
    kemsqa* world = openWorld(m_area.get());
    QVERIFY(world);
    QCOMPARE(world->windowTitle(), QStringLiteral("Marsden Squares - World"));
    QCOMPARE(kemsqa::instance(geo::worldRegion()), world);
    QCOMPARE(kemsqa::instance(), nullptr); // the North Atlantic is a window of its own
    kemsqa* atlantic = openMap();
    QVERIFY(atlantic && atlantic != world);
    clickAt(atlantic, 7.5, 6.5);
    movePointer(mapArea(world), QPoint(319, 820)); // 140.1W 12.5S
    QTest::mouseClick(mapArea(world), Qt::LeftButton, {}, QPoint(319, 820));
    QCOMPARE(QString::fromStdString(geo::msqpicks()), QStringLiteral(" OR ^183")); // not the world's
    QTest::keyClick(world, Qt::Key_Escape);
    QCOMPARE(m_area->text(), QStringLiteral("^350"));
    QVERIFY(atlantic->isVisible());
}

// Part 4.1's arithmetic with the world's bases (-85, -180, 36), worked by hand; a pointer on
// the globe's edge (the poles, the 180th meridian) reads the square inside it.
void tst_kemsqa::worldStatusText_data() {
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<QString>("text");
    QTest::newRow("top left") << QPoint(0, 0) << QStringLiteral(" 90.0N 180.0W  Marsden Square: 918;499");
    QTest::newRow("top right") << QPoint(2879, 0) << QStringLiteral(" 90.0N 179.9E  Marsden Square: 919;499");
    QTest::newRow("bottom left") << QPoint(0, 1439) << QStringLiteral(" 89.9S 180.0W  Marsden Square: 605;499");
    QTest::newRow("bottom right") << QPoint(2879, 1439) << QStringLiteral(" 89.9S 179.9E  Marsden Square: 606;499");
    QTest::newRow("dateline east") << QPoint(2879, 620) << QStringLiteral(" 12.5N 179.9E  Marsden Square: 055;229");
    QTest::newRow("dateline west") << QPoint(0, 620) << QStringLiteral(" 12.5N 180.0W  Marsden Square: 054;229");
    QTest::newRow("north pole") << QPoint(1440, 0) << QStringLiteral(" 90.0N 000.0E  Marsden Square: 901;390");
    QTest::newRow("80N") << QPoint(1460, 80) << QStringLiteral(" 80.0N 002.5E  Marsden Square: 936;102");
    QTest::newRow("equator") << QPoint(1420, 720) << QStringLiteral(" 00.0N 002.5W  Marsden Square: 001;102");
    QTest::newRow("Pacific") << QPoint(320, 820) << QStringLiteral(" 12.5S 140.0W  Marsden Square: 350;120");
    QTest::newRow("52.5N 20W") << QPoint(1280, 1500 - 1200) << QStringLiteral(" 52.5N 020.0W  Marsden Square: 183;120");
}

void tst_kemsqa::worldStatusText() {
    QFETCH(QPoint, pixel);
    QFETCH(QString, text);
    kemsqa* window = openWorld(m_area.get());
    QVERIFY(window);
    movePointer(mapArea(window), pixel);
    QCOMPARE(statusBox(window)->text(), text);
}

// The wheel zooms around the pointer, a drag pans; a press and release in one place is the
// click, at every zoom; Escape hands the picks over as on the North Atlantic.
void tst_kemsqa::worldClicksZoomAndPan() {
    m_area->setText(QStringLiteral("IHB01a"));
    kemsqa* window = openWorld(m_area.get());
    QVERIFY(window);
    QWidget* map = mapArea(window);
    const QPoint square183(1280, 300); // 52.5N 20W
    movePointer(map, square183);
    const QString before = statusBox(window)->text();
    turnWheel(map, square183, 3);
    QVERIFY(std::abs(window->view().zoom() - 1.953125) < 1e-9); // 1.25 cubed
    movePointer(map, square183);
    QCOMPARE(statusBox(window)->text(), before); // the point under the pointer stays
    for (int n = 0; n < 20; ++n)
        turnWheel(map, square183, 1);
    QCOMPARE(window->view().visible().width(), 6.0); // 30 degrees across at most
    movePointer(map, square183);
    QCOMPARE(statusBox(window)->text(), before);
    QTest::mouseClick(map, Qt::LeftButton, {}, square183);
    QCOMPARE(QString::fromStdString(geo::msqpicks()), QString()); // the world keeps its own

    // A drag pans by as much as the pointer moved and picks nothing.
    const QRectF start = window->view().visible();
    QTest::mousePress(map, Qt::LeftButton, {}, QPoint(1000, 700));
    QTest::mouseMove(map, QPoint(1400, 900));
    QTest::mouseRelease(map, Qt::LeftButton, {}, QPoint(1400, 900));
    const QRectF panned = window->view().visible();
    QVERIFY(std::abs(panned.x() - (start.x() - 400.0 * start.width() / 2880.0)) < 1e-9);
    QVERIFY(std::abs(panned.y() - (start.y() - 200.0 * start.height() / 1440.0)) < 1e-9);
    // The square under the pointer at this zoom: 184 lies 10 degrees west of 183.
    const QPoint square184 = window->view().toPixel(QPointF(29.5, 7.5), map->size()).toPoint();
    movePointer(map, square184);
    QVERIFY(statusBox(window)->text().endsWith(QLatin1String("Marsden Square: 184;122")));
    QTest::mouseClick(map, Qt::LeftButton, {}, square184);
    QTest::keyClick(map, Qt::Key_Home);
    QCOMPARE(window->view().zoom(), 1.0);
    movePointer(map, QPoint(319, 820));
    QTest::mouseClick(map, Qt::RightButton, {}, QPoint(319, 820)); // any button
    QTest::keyClick(map, Qt::Key_Escape);
    QCOMPARE(m_area->text(), QStringLiteral("IHB01a OR ^183 OR ^184 OR ^350"));
}

void tst_kemsqa::worldKeysAndHome() {
    kemsqa* window = openWorld(m_area.get());
    QVERIFY(window);
    QWidget* map = mapArea(window);
    QTest::keyClick(map, Qt::Key_Plus);
    QTest::keyClick(map, Qt::Key_Plus);
    QCOMPARE(window->view().zoom(), 1.5625);
    const QPointF middle = window->view().visible().center();
    QCOMPARE(middle, QPointF(36, 18)); // around the middle
    QTest::keyClick(map, Qt::Key_Right);
    QCOMPARE(window->view().visible().center().x(), 36 + 72 / 1.5625 / 8);
    QTest::keyClick(map, Qt::Key_Down);
    QCOMPARE(window->view().visible().center().y(), 18 + 36 / 1.5625 / 8);
    QTest::keyClick(map, Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(window->view().zoom(), 1.25);
    for (int n = 0; n < 10; ++n)
        QTest::keyClick(map, Qt::Key_Left); // kept within the world
    QCOMPARE(window->view().visible().left(), 0.0);
    QTest::keyClick(map, Qt::Key_Home);
    QCOMPARE(window->view().visible(), QRectF(0, 0, 72, 36));
    QTest::keyClick(map, Qt::Key_Minus);
    QCOMPARE(window->view().zoom(), 1.0); // never less than the whole world
    QVERIFY(window->isVisible());
}

// The last result's tint and the outlined rows in the Pacific, and the forms of the square
// under the pointer; the North Atlantic says that the outlined square lies off it.
void tst_kemsqa::worldTintsAndOutlinesThePacific() {
    kemsqa* window = openWorld(m_area.get());
    QVERIFY(window);
    QWidget* map = mapArea(window);
    const QImage bare = map->grab().toImage();
    kemsqa::setLastResult({{350, 41}, {183, 2}}); // 150W to 140W, 20S to 10S: pixels 240 to 320, 800 to 880
    kemsqa::setOutlined({350});
    const QImage shown = map->grab().toImage();
    const QPoint inside(280, 850); // within square 350, off its edges
    QVERIFY(shown.pixel(inside) != bare.pixel(inside));
    QCOMPARE(shown.pixelColor(241, 850), QColor(0xD9, 0x5F, 0x0E));        // the outline, inside the west edge
    QCOMPARE(shown.pixel(QPoint(200, 850)), bare.pixel(QPoint(200, 850))); // 155W: no forms
    movePointer(map, QPoint(280, 830));
    auto* count = window->findChild<QLabel*>(QStringLiteral("Text2"));
    QVERIFY(count && count->isVisible());
    QCOMPARE(count->text(), QStringLiteral("Square 350: 41 forms"));
    movePointer(map, QPoint(200, 830));
    QCOMPARE(count->text(), QStringLiteral("Square 351: no forms"));

    kemsqa* atlantic = openMap();
    QVERIFY(atlantic);
    movePointer(mapArea(atlantic), pixelAt(mapArea(atlantic), 8.0, 6.5)); // the world lies over it
    QCOMPARE(atlantic->findChild<QLabel*>(QStringLiteral("Text2"))->text(),
             QStringLiteral("Square 183: 2 forms; 1 outlined square lies off this map"));
}

// Shift and a drag draws a box in whole degrees; across the map's east edge it crosses the
// 180th meridian. A Shift click is a click.
void tst_kemsqa::worldShiftDragDrawsABox() {
    kemsqa* window = openWorld(m_area.get());
    QVERIFY(window);
    QWidget* map = mapArea(window);
    QSignalSpy boxes(window, &kemsqa::boxDrawn);
    QTest::mousePress(map, Qt::LeftButton, Qt::ShiftModifier, QPoint(1280, 300)); // 20W 52.5N
    QTest::mouseMove(map, QPoint(1440, 400));
    QTest::mouseRelease(map, Qt::LeftButton, Qt::ShiftModifier, QPoint(1440, 400)); // 0 40N
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0], (QList<QVariant>{-20.0, 40.0, 0.0, 53.0}));
    QTest::mousePress(map, Qt::LeftButton, Qt::ShiftModifier, QPoint(2800, 700)); // 170E 2.5N
    QTest::mouseMove(map, QPoint(2960, 740));
    QTest::mouseRelease(map, Qt::LeftButton, Qt::ShiftModifier, QPoint(2960, 740)); // past 180: 170W
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes[1], (QList<QVariant>{170.0, -3.0, -170.0, 3.0})); // 2.5S and 2.5N away from zero
    kemsqa::setFilterBox(MapBox{170, -3, -170, 3});
    const QImage image = map->grab().toImage();
    QCOMPARE(image.pixelColor(2880 - 40, 710).rgb() == image.pixelColor(2880 - 40, 300).rgb(), false);
    kemsqa::setFilterBox(std::nullopt);
    QTest::mouseClick(map, Qt::LeftButton, Qt::ShiftModifier, QPoint(319, 820));
    QCOMPARE(boxes.size(), 2);
    QTest::keyClick(map, Qt::Key_Escape);
    QCOMPARE(m_area->text(), QStringLiteral("^350"));
}

QTEST_MAIN(tst_kemsqa)
#include "tst_kemsqa.moc"
