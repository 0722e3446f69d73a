// Times a search run from the main window, offscreen, with the criteria typed into its fields.
// Usage: window_bench [--country T] [--month T] [--parameter T] [--all] [--repeat N] [--results] [--world] FORMFILE...
//        window_bench --import FOLDER [--repeat N] RECORDS...
// Prints the best time of the runs and the longest gap between two turns of the event loop
// during a run (how long the window could not answer). --all searches without criteria, as
// morvex-search does. --results then opens the results window on the last run's forms and
// times its opening, a sort by every column both ways and filter keys, and prints the resident
// memory along the way. --world then opens the world map with the tint of the last run and
// times its opening, a repaint and a zoom step. --import times instead the import of the records
// from the window ("&Import", "CSR &Records...") into the empty FOLDER, emptied before each run.
// Offscreen, unless QT_QPA_PLATFORM=xcb names a real X server.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "app/morvex.h"
#include "app/resultmodel.h"
#include "app/resultswindow.h"
#include "exports/resulttable.h"
#include "geo/kemsqa.h"
#include "geo/mapregion.h"
#include "tools/scriptedservices.h"

namespace {

struct Options {
    QStringList texts = QStringList(10);
    QStringList files;
    int repeat = 3;
    bool results = false;
    bool world = false;
    QString importInto;
};

bool readOptions(const QStringList& args, Options* options) {
    const QStringList names = {"--project", "--country", "--area",    "--agency",  "--month",
                               "--cruise",  "--ship",    "--scientist", "--contact", "--parameter"};
    for (qsizetype i = 1; i < args.size(); ++i) {
        const qsizetype criterion = names.indexOf(args[i]);
        if (criterion >= 0 && i + 1 < args.size()) {
            options->texts[criterion] = args[++i];
        } else if (args[i] == QLatin1String("--repeat") && i + 1 < args.size()) {
            options->repeat = args[++i].toInt();
        } else if (args[i] == QLatin1String("--results")) {
            options->results = true;
        } else if (args[i] == QLatin1String("--world")) {
            options->world = true;
        } else if (args[i] == QLatin1String("--import") && i + 1 < args.size()) {
            options->importInto = args[++i];
        } else if (args[i] == QLatin1String("--all")) {
            // no criteria: the window asks whether to select every form, and the answer is Yes
        } else if (args[i].startsWith(QLatin1String("--"))) {
            return false;
        } else {
            options->files << args[i];
        }
    }
    return !options->files.isEmpty() && options->repeat > 0;
}

// The results window is measured on a screen of 1920x1080, where it takes 1440x810 as a user sees
// it; the offscreen platform's own screen is 800x800.
void useLargeScreen(const QTemporaryDir& config) {
    QFile screen(config.filePath(QStringLiteral("screen.json")));
    if (!screen.open(QIODevice::WriteOnly)) return;
    screen.write(R"({"screens": [{"name": "bench", "x": 0, "y": 0, "width": 1920, "height": 1080, )"
                 R"("logicalDpi": 96, "dpr": 1}]})");
    screen.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screen.fileName()));
}

// Resident memory of this process in MB (VmRSS); 0 when it cannot be read.
double residentMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

double msSince(const QElapsedTimer& clock) {
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

// Counts the paint events of the results window's table (its viewport) and count label.
class PaintCounter : public QObject {
public:
    int table = 0;
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint) return false;
        auto* widget = static_cast<QWidget*>(watched);
        auto* view = qobject_cast<QTableView*>(widget->parentWidget());
        if (view && view->viewport() == widget && view->objectName() == QLatin1String("table")) ++table;
        if (widget->objectName() == QLatin1String("count")) ++count;
        return false;
    }
};

// Processes events, waiting for them, until done() holds; false when 60 s pass without.
template <typename Done> bool processUntil(Done done) {
    bool late = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&late] { late = true; });
    guard.start(60000);
    while (!done() && !late)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return !late;
}

struct Memory {
    double beforeSearch = 0;
    double afterSearch = 0;
    double windowOpen = 0;
};

// Opens the results window from the menu and waits until it is exposed with every row in its
// table and the table painted. Prints the times from the run's end; null when it never is.
app::ResultsWindow* openResults(Morvex& window, PaintCounter& paints, const QElapsedTimer& clock) {
    window.findChild<QAction*>(QStringLiteral("mnuresults1"))->trigger();
    const double shown = msSince(clock);
    app::ResultsWindow* results = window.resultsWindow();
    if (!results) return nullptr;
    auto* model = static_cast<app::ResultModel*>(results->findChild<QTableView*>(QStringLiteral("table"))->model());
    const bool ready = processUntil([&] {
        return paints.table > 0 && results->windowHandle() && results->windowHandle()->isExposed() &&
               model->rowCount() == model->total();
    });
    if (!ready) return nullptr;
    std::printf("open: %d rows; run end to window shown %.1f ms, to table filled and painted %.1f ms (goal < 300 ms)\n",
                model->rowCount(), shown, msSince(clock));
    return results;
}

// A click on a heading, given as the window system gives it (to the window, at the heading's
// place): from the press to the rows painted anew and, on a real X server, drawn there (a round
// trip to it after the paint).
double timeSort(QTableView* table, PaintCounter& paints, int column) {
    QHeaderView* header = table->horizontalHeader();
    table->scrollTo(table->model()->index(table->rowAt(0) < 0 ? 0 : table->rowAt(0), column));
    QCoreApplication::processEvents();
    const QPoint inHeader(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                          header->height() / 2);
    QWindow* window = table->window()->windowHandle();
    const QPoint at = window->mapFromGlobal(header->viewport()->mapToGlobal(inHeader));
    const int painted = paints.table;
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(window, Qt::LeftButton, {}, at);
    processUntil([&] { return paints.table > painted; });
    QCoreApplication::processEvents();
    QGuiApplication::sync();
    return msSince(clock);
}

// Every column, each shown for the purpose, sorted by two clicks: ascending, then descending.
void timeSorts(QTableView* table, PaintCounter& paints) {
    const QAbstractItemModel* model = table->model();
    std::array<double, 3> most{}; // by column kind
    for (int c = 0; c < model->columnCount(); ++c) {
        const bool hidden = table->isColumnHidden(c);
        table->setColumnHidden(c, false);
        const auto kind = static_cast<std::size_t>(exports::resultColumns()[static_cast<std::size_t>(c)].kind);
        for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            const double ms = timeSort(table, paints, c);
            most[kind] = std::max(most[kind], ms);
            const bool asked = table->horizontalHeader()->sortIndicatorSection() == c &&
                               table->horizontalHeader()->sortIndicatorOrder() == order;
            std::printf("sort: %-31s %-10s %7.1f ms%s\n", qPrintable(model->headerData(c, Qt::Horizontal).toString()),
                        order == Qt::AscendingOrder ? "ascending" : "descending", ms,
                        asked ? "" : " (not the order asked)");
        }
        table->setColumnHidden(c, hidden);
    }
    std::printf("sort: longest number %.1f ms, date %.1f ms, text %.1f ms (goal < 200 ms)\n", most[0], most[1],
                most[2]);
}

// Types "chal" into the filter and takes it back, a key at a time; each key is timed until the
// count label has been painted with the new count.
void timeFilterKeys(app::ResultsWindow* results, PaintCounter& paints) {
    auto* filter = results->findChild<QLineEdit*>(QStringLiteral("filter"));
    auto* count = results->findChild<QLabel*>(QStringLiteral("count"));
    filter->setFocus();
    const Qt::Key keys[] = {Qt::Key_C,         Qt::Key_H,         Qt::Key_A,         Qt::Key_L,
                            Qt::Key_Backspace, Qt::Key_Backspace, Qt::Key_Backspace, Qt::Key_Backspace};
    double most = 0, sum = 0;
    for (Qt::Key key : keys) {
        const QString before = count->text();
        const int painted = paints.count;
        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(filter, key);
        if (count->text() != before) processUntil([&] { return paints.count > painted; });
        QCoreApplication::processEvents(); // the rest of the repaint
        const double ms = msSince(clock);
        most = std::max(most, ms);
        sum += ms;
        std::printf("filter: %-9s -> %-6s %6.1f ms, %s\n",
                    key == Qt::Key_Backspace ? "Backspace" : qPrintable(QKeySequence(key).toString().toLower()),
                    qPrintable(QLatin1Char('"') + filter->text() + QLatin1Char('"')), ms, qPrintable(count->text()));
    }
    std::printf("filter: longest key %.1f ms, mean %.1f ms (goal < 100 ms)\n", most, sum / std::size(keys));
}

// The results window on the last run's forms: its opening, sorts, filter keys and memory.
int measureResults(Morvex& window, Memory memory, const QElapsedTimer& runEnd) {
    PaintCounter paints;
    QCoreApplication::instance()->installEventFilter(&paints);
    app::ResultsWindow* results = openResults(window, paints, runEnd);
    if (!results) {
        std::fprintf(stderr, "window_bench: the results window did not open with its rows\n");
        return 1;
    }
    memory.windowOpen = residentMb();
    timeSorts(results->findChild<QTableView*>(QStringLiteral("table")), paints);
    timeFilterKeys(results, paints);
    std::printf("memory: before the search %.1f MB, after it %.1f MB, window open %.1f MB; "
                "growth %.1f MB (goal < 150 MB), of which the window %.1f MB; after sorts and filter %.1f MB\n",
                memory.beforeSearch, memory.afterSearch, memory.windowOpen, memory.windowOpen - memory.beforeSearch,
                memory.windowOpen - memory.afterSearch, residentMb());
    QCoreApplication::instance()->removeEventFilter(&paints);
    return 0;
}

// Counts the paints of one widget.
class Paints : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count;
        return false;
    }
};

// The world map with the last run's tint: opened until painted, repainted, zoomed a wheel notch
// in and out at its middle, each step with its repaint.
int measureWorld(Morvex& window) {
    QElapsedTimer clock;
    clock.start();
    window.findChild<QAction*>(QStringLiteral("mnumars2"))->trigger();
    kemsqa* world = kemsqa::instance(geo::worldRegion());
    QWidget* area = world ? world->findChild<QWidget*>(QStringLiteral("mapArea")) : nullptr;
    if (!area) return 1;
    Paints paints;
    area->installEventFilter(&paints);
    if (!processUntil([&] { return world->windowHandle() && world->windowHandle()->isExposed() && paints.count > 0; }))
        return 1;
    std::printf("world: %zu squares tinted, %dx%d pixels; opened and painted in %.1f ms (goal < 50 ms)\n",
                kemsqa::lastResult().size(), area->width(), area->height(), msSince(clock));
    double most = 0;
    for (int n = 0; n < 5; ++n) {
        clock.start();
        area->repaint();
        most = std::max(most, msSince(clock));
    }
    std::printf("world: repaint, longest of 5, %.1f ms (goal < 50 ms)\n", most);
    most = 0;
    const QPointF middle(area->width() / 2.0, area->height() / 2.0);
    for (int notch : {1, 1, 1, 1, 1, 1, 1, 1, -1, -1, -1, -1, -1, -1, -1, -1}) {
        QWheelEvent wheel(middle, area->mapToGlobal(middle), QPoint(), QPoint(0, 120 * notch), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        clock.start();
        QApplication::sendEvent(area, &wheel);
        area->repaint();
        most = std::max(most, msSince(clock));
    }
    std::printf("world: zoom step with its repaint, longest of 16, %.1f ms (goal < 50 ms)\n", most);
    area->removeEventFilter(&paints);
    return 0;
}

// Imports the records from the window into an emptied folder, repeat times; the fastest counts.
int measureImport(Morvex& window, ScriptedServices& services, const Options& options) {
    services.records = options.files;
    qint64 best = -1;
    QDir folder(options.importInto);
    for (int run = 0; run < options.repeat; ++run) {
        for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden))
            folder.remove(name);
        services.folders = {folder.absolutePath()};
        services.reports.clear();
        QElapsedTimer clock;
        clock.start();
        window.findChild<QAction*>(QStringLiteral("mnuimport1"))->trigger();
        const qint64 elapsed = clock.nsecsElapsed();
        if (services.reports.isEmpty() || !services.reports.front().startsWith(QLatin1String("Records read"))) {
            std::fprintf(stderr, "window_bench: the import failed: %s\n",
                         qPrintable(services.reports.value(0).section(QLatin1Char('\n'), 0, 0)));
            return 1;
        }
        if (best < 0 || elapsed < best) best = elapsed;
    }
    std::printf("%.3f s best of %d, window import; %s\n", best / 1e9, options.repeat,
                qPrintable(services.reports.front().section(QLatin1Char('\n'), 0, 0)));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // Offscreen unless a real X server is asked for (QT_QPA_PLATFORM=xcb, with DISPLAY).
    const bool onX = qgetenv("QT_QPA_PLATFORM") == "xcb";
    std::optional<QTemporaryDir> config;
    if (!onX) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        if (std::find(argv + 1, argv + argc, std::string_view("--results")) != argv + argc ||
            std::find(argv + 1, argv + argc, std::string_view("--world")) != argv + argc)
            useLargeScreen(config.emplace());
    }
    QApplication application(argc, argv);
    Options options;
    if (!readOptions(QApplication::arguments(), &options)) {
        std::fprintf(stderr, "usage: window_bench [--country T] ... [--all] [--repeat N] [--results] FORMFILE...\n");
        return 2;
    }
    ScriptedServices services;
    services.files = options.files;
    Morvex window(WindowServices{&services, &services, &services});
    window.show();
    if (!options.importInto.isEmpty()) {
        if (!QTest::qWaitForWindowExposed(&window)) return 1;
        return measureImport(window, services, options);
    }
    window.findChild<QAction*>(QStringLiteral("MnuFile"))->trigger();
    for (int i = 0; i < 10; ++i) {
        if (options.texts[i].isEmpty()) continue;
        window.findChild<QAction*>(QStringLiteral("mnusel_%1").arg(i))->trigger();
        QTest::keyClicks(window.findChild<QLineEdit*>(QStringLiteral("Answer_%1").arg(i)), options.texts[i]);
    }

    // The user has seen the window, drawn with its fonts, before pressing Search.
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "window_bench: the main window was never shown\n");
        return 1;
    }
    window.grab();
    QCoreApplication::processEvents();

    // A timer of no interval fires at every turn of the event loop: the gaps between its
    // firings are the times the window did not answer.
    QElapsedTimer clock;
    qint64 lastTurn = 0, longestGap = 0, gapEnd = 0;
    QTimer turns;
    QObject::connect(&turns, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (now - lastTurn > longestGap) {
            longestGap = now - lastTurn;
            gapEnd = now;
        }
        lastTurn = now;
    });
    turns.start(0);

    Memory memory;
    memory.beforeSearch = residentMb();
    QElapsedTimer runEnd;
    qint64 best = -1;
    QAction* search = window.findChild<QAction*>(QStringLiteral("Mnusearch"));
    for (int run = 0; run < options.repeat; ++run) {
        clock.start();
        lastTurn = 0;
        search->trigger();
        runEnd.start();
        const qint64 elapsed = clock.nsecsElapsed();
        if (elapsed - lastTurn > longestGap) {
            longestGap = elapsed - lastTurn;
            gapEnd = elapsed;
        }
        if (best < 0 || elapsed < best) best = elapsed;
    }
    memory.afterSearch = residentMb();
    turns.stop();
    for (const QString& message : services.messages)
        std::fprintf(stderr, "window_bench: message: %s\n", qPrintable(message));
    std::printf("%.3f s best of %d, longest time without events %.1f ms (ending %.3f s into its run)\n",
                best / 1e9, options.repeat, longestGap / 1e6, gapEnd / 1e9);
    if (!services.messages.isEmpty()) return 1;
    if (options.results && measureResults(window, memory, runEnd) != 0) return 1;
    return options.world ? measureWorld(window) : 0;
}
