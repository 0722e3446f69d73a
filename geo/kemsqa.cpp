// The map window from which Marsden squares are picked: the North Atlantic or the world.
#include "geo/kemsqa.h"

#include "geo/framedplacement.h"
#include "geo/landdata.h"
#include "geo/marsdensquare.h"
#include "geo/msqcalc.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr const char* MenuCaption = "Press Esc to Return";

// Window geometry is given in twips.
constexpr double TwipsPerInch = 1440.0;
constexpr double StatusWidthTwips = 3975.0;
constexpr double StatusHeightTwips = 285.0;

constexpr double WindowFontPoints = 8.25;
constexpr int MarkFontPoints = 15;

// A wheel notch zooms by this much; a key zooms and pans by it and by an eighth of the view.
constexpr double ZoomStep = 1.25;
constexpr double PanStep = 0.125;
// How far inside the globe's edge a pointer on the edge is read, in map units.
constexpr double EdgeInset = 1e-3;

const QColor LandFill(0xEE, 0xE6, 0xCC);
const QColor Coastline(0x9A, 0x8A, 0x66);
const QColor OutlineColour(0xD9, 0x5F, 0x0E); // orange: apart from the blue tint and the land
const QColor BoxColour(0xA5, 0x00, 0x26);     // the filter's box: dark red, dashed

std::map<const geo::MapRegion*, QPointer<kemsqa>>& windows() {
    static std::map<const geo::MapRegion*, QPointer<kemsqa>> open;
    return open;
}

QString toQString(const std::string& text) {
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

// The land of a region in map units, built once.
const QPainterPath& landPath(const geo::MapRegion& region) {
    static std::map<const geo::MapRegion*, QPainterPath> paths;
    auto [at, added] = paths.try_emplace(&region);
    if (!added) return at->second;
    QPainterPath& p = at->second;
    p.setFillRule(Qt::OddEvenFill);
    const auto points = region.landPoints();
    const auto starts = region.landRingStarts();
    const auto toMap = [&region](const geo::LandPoint& q) {
        return QPointF(region.xOf(q.lon / 100.0), region.yOf(q.lat / 100.0));
    };
    for (std::size_t ring = 0; ring + 1 < starts.size(); ++ring) {
        p.moveTo(toMap(points[starts[ring]]));
        for (std::uint32_t i = starts[ring] + 1; i < starts[ring + 1]; ++i)
            p.lineTo(toMap(points[i]));
        p.closeSubpath();
    }
    return p;
}

std::map<int, int>& lastResultSquares() {
    static std::map<int, int> squares;
    return squares;
}

std::vector<int>& outlinedSquares() {
    static std::vector<int> squares;
    return squares;
}

std::optional<MapBox>& filterBox() {
    static std::optional<MapBox> box;
    return box;
}

void updateAll() {
    for (const auto& [region, window] : windows())
        if (window) window->findChild<QWidget*>(QStringLiteral("mapArea"))->update();
}

// A 10-degree square's cell in map units.
QRectF squareCell(const geo::MapRegion& region, int square) {
    const geo::SquareBounds b = geo::squareBounds(square);
    return QRectF(QPointF(region.xOf(b.west), region.yOf(b.north)), QSizeF(2.0, 2.0));
}

QRectF regionRect(const geo::MapRegion& region) {
    return QRectF(0, 0, region.width, region.height);
}

} // namespace

kemsqa* kemsqa::open(QLineEdit* areaField) {
    return open(geo::northAtlanticRegion(), areaField);
}

kemsqa* kemsqa::open(const geo::MapRegion& region, QLineEdit* areaField) {
    QPointer<kemsqa>& window = windows()[&region];
    if (!window) {
        window = new kemsqa(region, areaField);
    } else {
        window->m_areaField = areaField;
    }
    window->picks().clear();
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

kemsqa* kemsqa::instance() {
    return instance(geo::northAtlanticRegion());
}

kemsqa* kemsqa::instance(const geo::MapRegion& region) {
    const auto found = windows().find(&region);
    return found == windows().end() ? nullptr : found->second.data();
}

kemsqa::kemsqa(const geo::MapRegion& region, QLineEdit* areaField)
    : m_region(region), m_view(region), m_areaField(areaField) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromLatin1(region.caption.data(), qsizetype(region.caption.size())));
    createMenus();
    createMapArea();
    placeWindow();
}

kemsqa::~kemsqa() {
    QPointer<kemsqa>& window = windows()[&m_region];
    if (window == this) window = nullptr;
}

// The North Atlantic's picks are the program's msqpicks; another region keeps its own, so that
// two open maps do not mix their clicks.
std::string& kemsqa::picks() {
    return &m_region == &geo::northAtlanticRegion() ? geo::msqpicks() : m_ownPicks;
}

void kemsqa::createMenus() {
    QAction* dummy = menuBar()->addAction(QString::fromLatin1(MenuCaption));
    dummy->setObjectName(QStringLiteral("mnudum"));
}

void kemsqa::createMapArea() {
    m_map = new QWidget(this);
    m_map->setObjectName(QStringLiteral("mapArea"));
    m_map->setMouseTracking(true);
    m_map->setFocusPolicy(Qt::StrongFocus);
    m_map->setAttribute(Qt::WA_OpaquePaintEvent);
    QFont font = m_map->font();
    font.setPointSizeF(WindowFontPoints);
    font.setBold(true);
    m_map->setFont(font);
    m_map->installEventFilter(this);
    setCentralWidget(m_map);

    // The status box only shows; keeping it out of the focus chain lets Escape reach the window.
    m_status = new QLineEdit(m_map);
    m_status->setObjectName(QStringLiteral("Text1"));
    m_status->setReadOnly(true);
    m_status->setFocusPolicy(Qt::NoFocus);
    // Below it, the forms of the last result in the square under the pointer.
    m_squareCount = new QLabel(m_map);
    m_squareCount->setObjectName(QStringLiteral("Text2"));
    m_squareCount->setAutoFillBackground(true);
    m_squareCount->setMargin(2);
    m_squareCount->hide();
    m_map->setFocus();
}

// Outer size 0.8 of the screen, centred; the status box at ((W - L) / 3, (H - T) / 1.1) twips in
// the drawing area, from the outer width, height, left and top.
void kemsqa::placeWindow() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen->geometry();
    const double twipsX = TwipsPerInch / screen->logicalDotsPerInchX();
    const double twipsY = TwipsPerInch / screen->logicalDotsPerInchY();

    const int outerWidth = qRound(0.8 * area.width());
    const int outerHeight = qRound(0.8 * area.height());
    const int left = (area.width() - outerWidth) / 2;
    const int top = (area.height() - outerHeight) / 2;
    create(); // the native window, whose frame some window systems report at once
    geo::placeFramed(this, QRect(area.topLeft() + QPoint(left, top), QSize(outerWidth, outerHeight)));

    const double statusLeft = (outerWidth * twipsX - left * twipsX) / 3.0;
    const double statusTop = (outerHeight * twipsY - top * twipsY) / 1.1;
    m_status->setGeometry(qRound(statusLeft / twipsX), qRound(statusTop / twipsY),
                          qRound(StatusWidthTwips / twipsX), qRound(StatusHeightTwips / twipsY));
    m_squareCount->move(m_status->x(), m_status->y() + m_status->height());
}

QPointF kemsqa::toMap(QPointF pixel) const {
    return m_view.toMap(pixel, m_map->size());
}

QPointF kemsqa::toPixel(QPointF map) const {
    return m_view.toPixel(map, m_map->size());
}

void kemsqa::setOutlined(std::vector<int> squares) {
    std::sort(squares.begin(), squares.end());
    squares.erase(std::unique(squares.begin(), squares.end()), squares.end());
    if (squares == outlinedSquares()) return;
    outlinedSquares() = std::move(squares);
    for (const auto& [region, window] : windows())
        if (window) window->showSquareCount();
    updateAll();
}

const std::vector<int>& kemsqa::outlined() {
    return outlinedSquares();
}

void kemsqa::setLastResult(std::map<int, int> squares) {
    lastResultSquares() = std::move(squares);
    for (const auto& [region, window] : windows())
        if (window) window->showSquareCount();
    updateAll();
}

const std::map<int, int>& kemsqa::lastResult() {
    return lastResultSquares();
}

void kemsqa::setFilterBox(std::optional<MapBox> box) {
    filterBox() = box;
    updateAll();
}

// A light tint over each 10-degree square of the last result, deeper for more forms, in five
// steps of the largest count.
void kemsqa::paintLastResult(QPainter& painter) const {
    const std::map<int, int>& squares = lastResult();
    int most = 0;
    for (const auto& [square, forms] : squares) most = std::max(most, forms);
    for (const auto& [square, forms] : squares) {
        const QRectF cell = squareCell(m_region, square);
        const int step = (5 * forms + most - 1) / most; // 1 to 5
        painter.fillRect(cell.intersected(regionRect(m_region)), QColor(0x31, 0x82, 0xBD, 30 + 25 * step));
    }
}

// An orange frame, two pixels wide, inside each outlined square that the map shows.
void kemsqa::paintOutlined(QPainter& painter) const {
    painter.save();
    painter.setPen(QPen(OutlineColour, 2));
    painter.setBrush(Qt::NoBrush);
    for (int square : outlined()) {
        const QRectF cell = squareCell(m_region, square).intersected(regionRect(m_region));
        if (cell.isEmpty()) continue;
        const QRectF pixels(toPixel(cell.topLeft()), toPixel(cell.bottomRight()));
        painter.drawRect(pixels.adjusted(1, 1, -1, -1));
    }
    painter.restore();
}

// The filter's box, and the one a Shift drag is drawing; a box across the 180th meridian is
// drawn in its two parts.
void kemsqa::paintBoxes(QPainter& painter) const {
    std::vector<QRectF> parts;
    const auto add = [&](double west, double east, double south, double north) {
        const QRectF map(QPointF(m_region.xOf(west), m_region.yOf(north)),
                         QPointF(m_region.xOf(east), m_region.yOf(south)));
        parts.emplace_back(toPixel(map.topLeft()), toPixel(map.bottomRight()));
    };
    if (const std::optional<MapBox>& box = filterBox()) {
        if (box->west <= box->east) {
            add(box->west, box->east, box->south, box->north);
        } else {
            add(box->west, 180.0, box->south, box->north);
            add(-180.0, box->east, box->south, box->north);
        }
    }
    if (m_press && m_press->box && m_press->moved) parts.emplace_back(m_press->at, m_press->last);
    if (parts.empty()) return;
    painter.save();
    painter.setPen(QPen(BoxColour, 2, Qt::DashLine));
    painter.setBrush(QColor(BoxColour.red(), BoxColour.green(), BoxColour.blue(), 24));
    for (const QRectF& part : parts)
        painter.drawRect(part.normalized());
    painter.restore();
}

// The North Atlantic as designed: a line every map unit across the window. A navigable map: the
// lines in view, every 5 degrees, those of the 10-degree squares drawn stronger.
void kemsqa::paintGrid(QPainter& painter) const {
    const QPalette& palette = m_map->palette();
    const int width = m_map->width();
    const int height = m_map->height();
    if (!m_region.navigable) {
        // The last line of each direction falls on the far edge; it is kept on the last pixel.
        painter.setPen(QPen(palette.color(QPalette::Text), 0));
        for (int i = 0; i <= int(m_region.width); ++i) {
            const int x = qMin(qRound(i * width / m_region.width), width - 1);
            painter.drawLine(x, 0, x, height - 1);
        }
        for (int i = 0; i <= int(m_region.height); ++i) {
            const int y = qMin(qRound(i * height / m_region.height), height - 1);
            painter.drawLine(0, y, width - 1, y);
        }
        return;
    }
    QColor five = palette.color(QPalette::Text);
    five.setAlpha(70);
    const QPen fivePen(five, 0);
    const QPen tenPen(palette.color(QPalette::Text), 1);
    const QRectF view = m_view.visible();
    for (int i = int(std::ceil(view.left())); i <= int(std::floor(view.right())); ++i) {
        const bool ten = std::fmod(m_region.west() + 5.0 * i, 10.0) == 0.0;
        painter.setPen(ten ? tenPen : fivePen);
        const int x = qMin(qRound(toPixel(QPointF(i, 0)).x()), width - 1);
        painter.drawLine(x, 0, x, height - 1);
    }
    for (int i = int(std::ceil(view.top())); i <= int(std::floor(view.bottom())); ++i) {
        const bool ten = std::fmod(m_region.north() - 5.0 * i, 10.0) == 0.0;
        painter.setPen(ten ? tenPen : fivePen);
        const int y = qMin(qRound(toPixel(QPointF(0, i)).y()), height - 1);
        painter.drawLine(0, y, width - 1, y);
    }
}

void kemsqa::paintMap(QPainter& painter) const {
    const QPalette& palette = m_map->palette();
    const int width = m_map->width();
    const int height = m_map->height();
    painter.fillRect(m_map->rect(), palette.color(QPalette::Base));

    // Land, the last result's tint, then the coast over them.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF view = m_view.visible();
    painter.scale(width / view.width(), height / view.height());
    painter.translate(-view.x(), -view.y());
    painter.setPen(Qt::NoPen);
    painter.setBrush(LandFill);
    painter.drawPath(landPath(m_region));
    // The squares are upright rectangles: without antialiasing they cost a twentieth as much.
    painter.setRenderHint(QPainter::Antialiasing, false);
    paintLastResult(painter);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Coastline, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(landPath(m_region));
    painter.restore();
    paintOutlined(painter);
    paintBoxes(painter);
    paintGrid(painter);

    painter.setPen(QPen(palette.color(QPalette::Text), 0));
    QFont markFont = m_map->font();
    markFont.setPointSize(MarkFontPoints);
    painter.setFont(markFont);
    for (const QPointF& mark : m_marks) {
        const QRectF box(toPixel(mark), QSizeF(width, height));
        painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, QStringLiteral("*"));
    }
}

bool kemsqa::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_map) return QMainWindow::eventFilter(watched, event);
    if (event->type() == QEvent::Paint) {
        QPainter painter(m_map);
        paintMap(painter);
        return true;
    }
    if (event->type() == QEvent::Resize) m_squareCount->move(m_status->x(), m_status->y() + m_status->height());
    return mouseEvent(event) || QMainWindow::eventFilter(watched, event);
}

// The pointer over the map. On the North Atlantic a press marks at once; on a navigable map the
// release decides: a press and release in one place is the click, a move between them pans the
// map, or with Shift draws a box.
bool kemsqa::mouseEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove: {
        const QPointF at = static_cast<QMouseEvent*>(event)->position();
        pointerMoved(toMap(at));
        if (!m_press) return true;
        if (!m_press->moved && (at - m_press->at).manhattanLength() >= QApplication::startDragDistance())
            m_press->moved = true;
        if (m_press->moved && !m_press->box) {
            m_view.panBy(at - m_press->last, m_map->size());
            pointerMoved(toMap(at));
        }
        m_press->last = at;
        if (m_press->moved) m_map->update();
        return true;
    }
    // The second press of a quick double click arrives as a double-click event; it marks too.
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!m_region.navigable) {
            buttonPressed(toMap(mouse->position()), int(mouse->button()), int(mouse->modifiers()));
            return true;
        }
        pointerMoved(toMap(mouse->position()));
        m_press = Press{mouse->position(),
                        mouse->position(),
                        int(mouse->button()),
                        int(mouse->modifiers()),
                        false,
                        (mouse->modifiers() & Qt::ShiftModifier) != 0};
        return true;
    }
    case QEvent::MouseButtonRelease: {
        if (!m_press) return false;
        const Press press = *m_press;
        m_press.reset();
        if (!press.moved)
            buttonPressed(toMap(press.at), press.button, press.shift);
        else if (press.box)
            finishBox(press.at, static_cast<QMouseEvent*>(event)->position());
        m_map->update();
        return true;
    }
    case QEvent::Wheel: {
        if (!m_region.navigable) return false;
        const auto* wheel = static_cast<QWheelEvent*>(event);
        const int notches = wheel->angleDelta().y();
        if (notches == 0) return true;
        m_view.zoomAt(wheel->position(), m_map->size(), std::pow(ZoomStep, notches / 120.0));
        pointerMoved(toMap(wheel->position()));
        m_map->update();
        return true;
    }
    default:
        return false;
    }
}

// A box from the press to the release in whole degrees; dragged past the map's east or west
// edge it crosses the 180th meridian. A box without width or height is none.
void kemsqa::finishBox(QPointF from, QPointF to) {
    const QPointF a = toMap(from), b = toMap(to);
    const auto lon = [this](double x) { return m_region.west() + 5.0 * x; };
    const auto lat = [this](double y) { return std::clamp(m_region.north() - 5.0 * y, -90.0, 90.0); };
    double west = std::round(lon(std::min(a.x(), b.x())));
    double east = std::round(lon(std::max(a.x(), b.x())));
    const double south = std::round(lat(std::max(a.y(), b.y())));
    const double north = std::round(lat(std::min(a.y(), b.y())));
    if (east - west >= 360.0) {
        west = -180.0;
        east = 180.0;
    } else if (east <= -180.0 || west >= 180.0) { // wholly past one edge: the same box, 360 degrees on
        const double shift = east <= -180.0 ? 360.0 : -360.0;
        west += shift;
        east += shift;
    }
    if (west < -180.0) west += 360.0;
    if (east > 180.0) east -= 360.0;
    if (west == east || south == north) return;
    Q_EMIT boxDrawn(west, south, east, north);
}

void kemsqa::pointerMoved(QPointF map) {
    // On the globe's own edges (the poles, the 180th meridian) a point reads the square inside.
    if (m_region.wholeGlobe)
        map = QPointF(std::clamp(map.x(), EdgeInset, m_region.width - EdgeInset),
                      std::clamp(map.y(), EdgeInset, m_region.height - EdgeInset));
    const geo::MsqPoint point =
        geo::msqcalc(float(map.x()), float(map.y()), m_region.latitudeBase, m_region.longitudeBase, m_region.rows);
    m_label = point.label;
    m_status->setText(toQString(geo::msqStatusText(point)));
    showSquareCount();
}

// "Square 183: 41 forms" for the square under the pointer, when there is a last result; and a
// word on the outlined squares this map does not show.
void kemsqa::showSquareCount() {
    QString text;
    const std::map<int, int>& squares = lastResult();
    if (!squares.empty() && m_label.size() >= 3) {
        const int square = std::stoi(m_label.substr(0, 3));
        const auto found = squares.find(square);
        const int forms = found == squares.end() ? 0 : found->second;
        text = QStringLiteral("Square %1: %2")
                   .arg(QString::fromStdString(m_label.substr(0, 3)))
                   .arg(forms == 0   ? QStringLiteral("no forms")
                        : forms == 1 ? QStringLiteral("1 form")
                                     : QStringLiteral("%1 forms").arg(forms));
    }
    const auto off = std::count_if(outlined().begin(), outlined().end(), [this](int square) {
        return squareCell(m_region, square).intersected(regionRect(m_region)).isEmpty();
    });
    if (off > 0) {
        if (!text.isEmpty()) text += QStringLiteral("; ");
        text += off == 1 ? QStringLiteral("1 outlined square lies off this map")
                         : QStringLiteral("%1 outlined squares lie off this map").arg(off);
    }
    m_squareCount->setText(text);
    m_squareCount->adjustSize();
    m_squareCount->setVisible(!text.isEmpty());
}

// The press position is also the latest pointer position, so the square is taken there even when
// no movement came before the press (a touch tap, a synthetic click).
void kemsqa::buttonPressed(QPointF map, int button, int shift) {
    pointerMoved(map);
    m_marks.emplace_back(std::floor(map.x()) + 0.5, std::floor(map.y()));
    m_map->update();
    geo::msqpick(button, shift, m_label, picks());
}

// Home shows the whole map; the arrow keys pan by an eighth of the view; + and - zoom around
// its middle.
bool kemsqa::navigationKey(const QKeyEvent* event) {
    const QSizeF size = m_map->size();
    const QPointF middle(size.width() / 2, size.height() / 2);
    switch (event->key()) {
    case Qt::Key_Home:
        m_view.reset();
        break;
    case Qt::Key_Left:
        m_view.panBy(QPointF(PanStep * size.width(), 0), size);
        break;
    case Qt::Key_Right:
        m_view.panBy(QPointF(-PanStep * size.width(), 0), size);
        break;
    case Qt::Key_Up:
        m_view.panBy(QPointF(0, PanStep * size.height()), size);
        break;
    case Qt::Key_Down:
        m_view.panBy(QPointF(0, -PanStep * size.height()), size);
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        m_view.zoomAt(middle, size, ZoomStep);
        break;
    case Qt::Key_Minus:
        m_view.zoomAt(middle, size, 1.0 / ZoomStep);
        break;
    default:
        return false;
    }
    m_map->update();
    return true;
}

void kemsqa::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Escape) {
        if (!m_region.navigable || !navigationKey(event)) QMainWindow::keyPressEvent(event);
        return;
    }
    handOverPicks();
    close();
}

void kemsqa::handOverPicks() {
    std::string& picked = picks();
    // Without an area field (the main window is gone) the picks are dropped.
    if (picked.size() <= 3 || !m_areaField) return;
    if (!m_areaField->text().isEmpty()) {
        m_areaField->setText(m_areaField->text() + toQString(picked));
    } else {
        picked.erase(0, 4);
        m_areaField->setText(toQString(picked));
    }
}

void kemsqa::closeEvent(QCloseEvent* event) {
    // Unloaded from here on: a new open() loads a fresh window while this one waits for deletion.
    QPointer<kemsqa>& window = windows()[&m_region];
    if (window == this) window = nullptr;
    QMainWindow::closeEvent(event);
}
