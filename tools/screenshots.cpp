// Renders the main states of the main window, the results window and the map window into PNG files.
// Usage: morvex-screenshots OUTPUT-FOLDER SAMPLES-FOLDER [WIDTHxHEIGHT] (runs on the offscreen
// platform, on a screen of that size, 1280x960 unless told; QT_SCALE_FACTOR scales it as usual).
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

#include "app/morvex.h"
#include "app/resultswindow.h"
#include "geo/kemsqa.h"
#include "geo/mapregion.h"
#include "geo/marsdensquare.h"
#include "tools/scriptedservices.h"

namespace {

class Shooter {
public:
    explicit Shooter(const QString& folder) : m_folder(folder) {}
    bool save(QWidget* window, const QString& name) {
        QCoreApplication::processEvents();
        const QString path = QDir(m_folder).filePath(name + QStringLiteral(".png"));
        if (!window->grab().save(path)) {
            std::fprintf(stderr, "morvex-screenshots: error: cannot write %s\n", qPrintable(path));
            return false;
        }
        std::printf("%s\n", qPrintable(path));
        return true;
    }

private:
    QString m_folder;
};

template <typename T> T* child(QObject* window, const char* name) {
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    if (!found) qFatal("morvex-screenshots: no control %s", name);
    return found;
}

void moveTo(QWidget* widget, QPoint pos = QPoint()) {
    const QPoint target = pos.isNull() ? widget->rect().center() : pos;
    QTest::mouseMove(widget, target + QPoint(1, 1));
    QTest::mouseMove(widget, target);
}

void mark(QListWidget* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

// Marks a few squares on the map and renders it; the map units run 0 to 24 across, 0 to 20 down.
bool shootMap(Shooter& shooter, QLineEdit* areaField) {
    kemsqa* map = kemsqa::open(areaField);
    if (!map || !QTest::qWaitForWindowExposed(map)) return false;
    QWidget* area = child<QWidget>(map, "mapArea");
    const QPointF cells[] = {{7.5, 6.5}, {8.5, 6.5}, {11.5, 5.5}, {12.5, 3.5}};
    for (const QPointF& cell : cells) {
        const QPoint at(qRound(cell.x() * area->width() / 24.0), qRound(cell.y() * area->height() / 20.0));
        moveTo(area, at);
        QTest::mousePress(area, Qt::LeftButton, {}, at);
        QTest::mouseRelease(area, Qt::LeftButton, {}, at);
    }
    moveTo(area, QPoint(qRound(9.3 * area->width() / 24.0), qRound(7.7 * area->height() / 20.0)));
    const bool saved = shooter.save(map, QStringLiteral("06-map"));
    QTest::keyClick(map, Qt::Key_Escape);
    return saved;
}

// Opens the results window of the last run, selects three rows (the last one current, its form
// shown below) and renders it, then the map with the squares of those rows outlined.
bool shootResults(Shooter& shooter, Morvex& window) {
    child<QAction>(&window, "mnuresults1")->trigger();
    app::ResultsWindow* results = window.resultsWindow();
    if (!results || !QTest::qWaitForWindowExposed(results)) return false;
    auto* table = child<QTableView>(results, "table");
    for (int row : {1, 3, 4}) {
        const QRect cell = table->visualRect(table->model()->index(row, 0));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, row == 1 ? Qt::NoModifier : Qt::ControlModifier,
                          cell.center());
    }
    bool ok = shooter.save(results, QStringLiteral("07-results-window"));

    kemsqa* map = kemsqa::open(child<QLineEdit>(&window, "Answer_2"));
    if (!map || !QTest::qWaitForWindowExposed(map)) return false;
    ok = shooter.save(map, QStringLiteral("08-results-map")) && ok;
    map->close(); // the close box: no picks handed over
    results->close();
    return ok;
}

// The import's message list, as the window lists it after "&Import", "CSR &Records...".
bool shootImport(Shooter& shooter, ScriptedServices& services) {
    if (services.reports.isEmpty()) return false;
    QDialog list;
    list.setWindowTitle(QStringLiteral("Import of CSR Records"));
    auto* box = new QPlainTextEdit(services.reports.back(), &list);
    box->setReadOnly(true);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &list);
    auto* layout = new QVBoxLayout(&list);
    layout->addWidget(box);
    layout->addWidget(buttons);
    list.resize(QGuiApplication::primaryScreen()->availableGeometry().size() / 2);
    list.show();
    if (!QTest::qWaitForWindowExposed(&list)) return false;
    return shooter.save(&list, QStringLiteral("11-import-messages"));
}

// Imports the records from the window, searches all the form files written and shows the
// world map with the result's tint, the pointer over a square of it.
bool shootImportAndWorld(Shooter& shooter, Morvex& window, ScriptedServices& services, const QString& records,
                         const QString& scratch) {
    const QString folder = scratch + QStringLiteral("/imported");
    if (!QDir().mkpath(folder)) return false;
    services.records = {records};
    services.folders = {folder};
    child<QAction>(&window, "mnuimport1")->trigger();
    bool ok = shootImport(shooter, services);
    child<QAction>(&window, "Mnusearch")->trigger(); // no criteria: the question is answered Yes
    child<QAction>(&window, "mnumars2")->trigger();
    kemsqa* world = kemsqa::instance(geo::worldRegion());
    if (!world || !QTest::qWaitForWindowExposed(world)) return false;
    QWidget* area = child<QWidget>(world, "mapArea");
    const auto& squares = kemsqa::lastResult();
    const auto most = std::max_element(squares.begin(), squares.end(),
                                       [](const auto& a, const auto& b) { return a.second < b.second; });
    if (most != squares.end()) {
        const geo::SquareBounds b = geo::squareBounds(most->first);
        const QPointF middle(geo::worldRegion().xOf(b.west + 5.0), geo::worldRegion().yOf(b.south + 5.0));
        const QPointF at = world->view().toPixel(middle, area->size());
        QMouseEvent move(QEvent::MouseMove, at, area->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(area, &move);
    }
    ok = shooter.save(world, QStringLiteral("10-world-map")) && ok;
    world->close();
    return ok;
}

} // namespace

int main(int argc, char* argv[]) {
    // The offscreen screen is 800 by 800 pixels unless told otherwise; pictures read better on a 4:3 screen.
    int width = 1280;
    int height = 960;
    if (argc == 4 && std::sscanf(argv[3], "%dx%d", &width, &height) != 2) {
        std::fprintf(stderr, "morvex-screenshots: error: screen size %s is not WIDTHxHEIGHT\n", argv[3]);
        return 2;
    }
    QTemporaryDir config;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen") {
        QFile screen(config.filePath(QStringLiteral("screen.json")));
        if (screen.open(QIODevice::WriteOnly)) {
            const QString json =
                QStringLiteral(R"({"screens": [{"name": "shots", "x": 0, "y": 0, "width": %1, )"
                               R"("height": %2, "logicalDpi": 96, "dpr": 1}]})");
            screen.write(json.arg(width).arg(height).toLatin1());
            screen.close();
            qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screen.fileName()));
        } else {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morvex"));
    QGuiApplication::setQuitOnLastWindowClosed(false);
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: morvex-screenshots OUTPUT-FOLDER SAMPLES-FOLDER [WIDTHxHEIGHT]\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    const QDir samples(QString::fromLocal8Bit(argv[2]));
    if (!QDir().mkpath(output)) {
        std::fprintf(stderr, "morvex-screenshots: error: cannot create %s\n", argv[1]);
        return 1;
    }

    // The run writes its reports next to the form files, so it reads copies in a scratch folder.
    QTemporaryDir scratch;
    ScriptedServices services("morvex-screenshots");
    for (const QString& name : samples.entryList({QStringLiteral("KER*.INF")}, QDir::Files, QDir::Name)) {
        const QString copy = scratch.filePath(name);
        if (!QFile::copy(samples.filePath(name), copy)) {
            std::fprintf(stderr, "morvex-screenshots: error: cannot copy %s\n", qPrintable(name));
            return 1;
        }
        services.files << copy;
    }
    if (services.files.isEmpty()) {
        std::fprintf(stderr, "morvex-screenshots: error: no KER*.INF files in %s\n", argv[2]);
        return 1;
    }

    Shooter shooter(output);
    Morvex window(WindowServices{&services, &services, &services});
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    QWidget* bare = window.centralWidget();
    const QPoint corner(bare->width() - 5, bare->height() - 5);
    bool ok = shooter.save(&window, QStringLiteral("01-startup"));

    child<QAction>(&window, "mnusel_1")->trigger();
    QTest::keyClicks(child<QLineEdit>(&window, "Answer_1"), QStringLiteral("Norway OR France"));
    moveTo(child<QLineEdit>(&window, "Answer_1"));
    ok = shooter.save(&window, QStringLiteral("02-criterion-help")) && ok;
    moveTo(bare, corner);

    child<QAction>(&window, "mnusel_0")->trigger();
    child<QAction>(&window, "mnupars_0")->trigger();
    auto* projects = child<QListWidget>(&window, "L0");
    for (int row : {2, 3, 21})
        mark(projects, row);
    ok = shooter.save(&window, QStringLiteral("03-pick-list")) && ok;
    QTest::keyClick(projects, Qt::Key_Escape);

    child<QAction>(&window, "MnuFile")->trigger();
    child<QAction>(&window, "mnuatulma")->trigger();
    moveTo(child<QLabel>(&window, "labinfo"));
    ok = shooter.save(&window, QStringLiteral("04-summary")) && ok;
    moveTo(bare, corner);

    child<QAction>(&window, "mnuatulma")->trigger();
    child<QLineEdit>(&window, "Answer_0")->clear();
    child<QAction>(&window, "Mnusearch")->trigger();
    moveTo(child<QLabel>(&window, "labker1"));
    ok = shooter.save(&window, QStringLiteral("05-results")) && ok;
    moveTo(bare, corner);

    // The summary of ten criteria over the progress box of the search.
    const char* const criteria[] = {
        "WOCE OR JGOFS", "Norway OR France",    "^183 OR IHB01a", "NERC",  "jan OR feb OR aug",
        "cruise",        "Hudson OR Kittiwake", "Smith",          "Jones", "H09 OR H10"};
    for (int i = 0; i < 10; ++i)
        child<QLineEdit>(&window, qPrintable(QStringLiteral("Answer_%1").arg(i)))
            ->setText(QString::fromLatin1(criteria[i]));
    moveTo(child<QLabel>(&window, "labinfo"));
    ok = shooter.save(&window, QStringLiteral("09-summary-over-progress")) && ok;
    moveTo(bare, corner);
    child<QAction>(&window, "mnuclear")->trigger(); // the question is answered Yes

    ok = shootMap(shooter, child<QLineEdit>(&window, "Answer_2")) && ok;
    ok = shootResults(shooter, window) && ok;
    if (const QByteArray records = qgetenv("MORVEX_SHOT_RECORDS"); !records.isEmpty())
        ok = shootImportAndWorld(shooter, window, services, QString::fromLocal8Bit(records), scratch.path()) && ok;
    return ok ? 0 : 1;
}
