#include "geo/kemsqa.h"

#include "geo/framedplacement.h"
#include "geo/landdata.h"
#include "geo/marsdensquare.h"
#include "geo/msqcalc.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace {

constexpr const char* Caption = "Marsden Squares - North Atlantic Region";
constexpr const char* MenuCaption = "Press Esc to Return";

// Map units: X 0 to 24 across, Y 0 to 20 down, 5 degrees each; msqcalc takes the map's bases.
constexpr double MapWidth = 24.0;
constexpr double MapHeight = 20.0;
constexpr float LatitudeBase = -10.0f;
constexpr float LongitudeBase = -60.0f;
constexpr float Rows = 20.0f;

// Window geometry is given in twips.
constexpr double TwipsPerInch = 1440.0;
constexpr double StatusWidthTwips = 3975.0;
constexpr double StatusHeightTwips = 285.0;

constexpr double WindowFontPoints = 8.25;
constexpr int MarkFontPoints = 15;

const QColor LandFill(0xEE, 0xE6, 0xCC);
const QColor Coastline(0x9A, 0x8A, 0x66);
const QColor OutlineColour(0xD9, 0x5F, 0x0E); // orange: apart from the blue tint and the land

QPointer<kemsqa> s_instance;

QString toQString(const std::string& text) {
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

// The land table in map units, built once.
const QPainterPath& landPath() {
    static const QPainterPath path = [] {
        QPainterPath p;
        p.setFillRule(Qt::OddEvenFill);
        const auto points = geo::landPoints();
        const auto starts = geo::landRingStarts();
        const auto toMap = [](const geo::LandPoint& q) {
            return QPointF((q.lon / 100.0 + 60.0) / 5.0, (85.0 - q.lat / 100.0) / 5.0);
        };
        for (std::size_t ring = 0; ring + 1 < starts.size(); ++ring) {
            p.moveTo(toMap(points[starts[ring]]));
            for (std::uint32_t i = starts[ring] + 1; i < starts[ring + 1]; ++i)
                p.lineTo(toMap(points[i]));
            p.closeSubpath();
        }
        return p;
    }();
    return path;
}

} // namespace

kemsqa* kemsqa::open(QLineEdit* areaField) {
    geo::msqpicks().clear();
    if (!s_instance) {
        s_instance = new kemsqa(areaField);
    } else {
        s_instance->m_areaField = areaField;
    }
    s_instance->show();
    s_instance->raise();
    s_instance->activateWindow();
    return s_instance;
}

kemsqa* kemsqa::instance() {
    return s_instance;
}

kemsqa::kemsqa(QLineEdit* areaField) : m_areaField(areaField) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromLatin1(Caption));
    createMenus();
    createMapArea();
    placeWindow();
}

kemsqa::~kemsqa() {
    if (s_instance == this) s_instance = nullptr;
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
}

QPointF kemsqa::toMap(QPointF pixel) const {
    return QPointF(pixel.x() * MapWidth / m_map->width(), pixel.y() * MapHeight / m_map->height());
}

QPointF kemsqa::toPixel(QPointF map) const {
    return QPointF(map.x() * m_map->width() / MapWidth, map.y() * m_map->height() / MapHeight);
}

namespace {

std::map<int, int>& lastResultSquares() {
    static std::map<int, int> squares;
    return squares;
}

std::vector<int>& outlinedSquares() {
    static std::vector<int> squares;
    return squares;
}

// A 10-degree square's cell in map units.
QRectF squareCell(int square) {
    const geo::SquareBounds b = geo::squareBounds(square);
    return QRectF(QPointF((static_cast<float>(b.west) - LongitudeBase) / 5.0, (85.0 - b.north) / 5.0),
                  QSizeF(2.0, 2.0));
}

} // namespace

void kemsqa::setOutlined(std::vector<int> squares) {
    std::sort(squares.begin(), squares.end());
    squares.erase(std::unique(squares.begin(), squares.end()), squares.end());
    if (squares == outlinedSquares()) return;
    outlinedSquares() = std::move(squares);
    if (kemsqa* window = instance()) window->m_map->update();
}

const std::vector<int>& kemsqa::outlined() {
    return outlinedSquares();
}

void kemsqa::setLastResult(std::map<int, int> squares) {
    lastResultSquares() = std::move(squares);
    if (kemsqa* window = instance()) window->m_map->update();
}

const std::map<int, int>& kemsqa::lastResult() {
    return lastResultSquares();
}

// A light tint over each 10-degree square of the last result, deeper for more forms, in five
// steps of the largest count.
void kemsqa::paintLastResult(QPainter& painter) const {
    const std::map<int, int>& squares = lastResult();
    int most = 0;
    for (const auto& [square, forms] : squares) most = std::max(most, forms);
    for (const auto& [square, forms] : squares) {
        const QRectF cell = squareCell(square);
        const int step = (5 * forms + most - 1) / most; // 1 to 5
        painter.fillRect(cell.intersected(QRectF(0, 0, MapWidth, MapHeight)), QColor(0x31, 0x82, 0xBD, 30 + 25 * step));
    }
}

// An orange frame, two pixels wide, inside each outlined square that the map shows.
void kemsqa::paintOutlined(QPainter& painter) const {
    const QRectF map(0, 0, MapWidth, MapHeight);
    painter.save();
    painter.setPen(QPen(OutlineColour, 2));
    painter.setBrush(Qt::NoBrush);
    for (int square : outlined()) {
        const QRectF cell = squareCell(square).intersected(map);
        if (cell.isEmpty()) continue;
        const QRectF pixels(toPixel(cell.topLeft()), toPixel(cell.bottomRight()));
        painter.drawRect(pixels.adjusted(1, 1, -1, -1));
    }
    painter.restore();
}

void kemsqa::paintMap(QPainter& painter) const {
    const QPalette& palette = m_map->palette();
    const int width = m_map->width();
    const int height = m_map->height();
    painter.fillRect(m_map->rect(), palette.color(QPalette::Base));

    // Land, the last result's tint, then the coast over them.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(width / MapWidth, height / MapHeight);
    painter.setPen(Qt::NoPen);
    painter.setBrush(LandFill);
    painter.drawPath(landPath());
    paintLastResult(painter);
    painter.setPen(QPen(Coastline, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(landPath());
    painter.restore();
    paintOutlined(painter);

    // The last line of each direction falls on the far edge; it is kept on the last pixel.
    painter.setPen(QPen(palette.color(QPalette::Text), 0));
    for (int i = 0; i <= 24; ++i) {
        const int x = qMin(qRound(i * width / MapWidth), width - 1);
        painter.drawLine(x, 0, x, height - 1);
    }
    for (int i = 0; i <= 20; ++i) {
        const int y = qMin(qRound(i * height / MapHeight), height - 1);
        painter.drawLine(0, y, width - 1, y);
    }

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
    switch (event->type()) {
    case QEvent::Paint: {
        QPainter painter(m_map);
        paintMap(painter);
        return true;
    }
    case QEvent::MouseMove:
        pointerMoved(toMap(static_cast<QMouseEvent*>(event)->position()));
        return true;
    // The second press of a quick double click arrives as a double-click event; it marks too.
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        buttonPressed(toMap(mouse->position()), int(mouse->button()), int(mouse->modifiers()));
        return true;
    }
    default:
        return QMainWindow::eventFilter(watched, event);
    }
}

void kemsqa::pointerMoved(QPointF map) {
    const geo::MsqPoint point =
        geo::msqcalc(float(map.x()), float(map.y()), LatitudeBase, LongitudeBase, Rows);
    m_label = point.label;
    m_status->setText(toQString(geo::msqStatusText(point)));
}

// The press position is also the latest pointer position, so the square is taken there even when
// no movement came before the press (a touch tap, a synthetic click).
void kemsqa::buttonPressed(QPointF map, int button, int shift) {
    pointerMoved(map);
    m_marks.emplace_back(std::floor(map.x()) + 0.5, std::floor(map.y()));
    m_map->update();
    geo::msqpick(button, shift, m_label, geo::msqpicks());
}

void kemsqa::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Escape) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    handOverPicks();
    close();
}

void kemsqa::handOverPicks() {
    std::string& picks = geo::msqpicks();
    // Without an area field (the main window is gone) the picks are dropped.
    if (picks.size() <= 3 || !m_areaField) return;
    if (!m_areaField->text().isEmpty()) {
        m_areaField->setText(m_areaField->text() + toQString(picks));
    } else {
        picks.erase(0, 4);
        m_areaField->setText(toQString(picks));
    }
}

void kemsqa::closeEvent(QCloseEvent* event) {
    // Unloaded from here on: a new open() loads a fresh window while this one waits for deletion.
    if (s_instance == this) s_instance = nullptr;
    QMainWindow::closeEvent(event);
}
