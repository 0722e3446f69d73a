// Drives the main window's reach of today's inventory like a user: the world map, the filters
// of dates, box and squares, the import of CSR records and the update from a catalogue, each
// against the command line.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <memory>

#include "app/filterdialog.h"
#include "app/harvestdialog.h"
#include "app/morvex.h"
#include "geo/kemsqa.h"
#include "geo/mapregion.h"
#include "tests/gui/fakeservices.h"
#include "tests/harvest/catalogue.h"
#include "tests/harvest/loopbackserver.h"

namespace {

// The four files of a search, by their names.
const QStringList kReports = {"kerheads.htm", "kerforms.htm", "ker3.txt", "kerxxxx.inf"};

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// Runs program with args to its end, whatever it takes; its exit status, or -1 when it did not run.
int runProgram(const QString& program, const QStringList& args) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, args);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit) return -1;
    return process.exitCode();
}

// The files of a folder with their bytes, hidden ones too.
QStringList folderState(const QString& folder) {
    QStringList state;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name))
        state << name + QLatin1Char('=') + QString::fromLatin1(contents(QDir(folder).filePath(name)).toHex());
    return state;
}

// The form files of a folder by name.
QStringList formFileNames(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("KER*.INF")}, QDir::Files, QDir::Name);
}

QStringList sampleRecords() {
    const QDir csr(QStringLiteral(MORVEX_SOURCE_DIR "/samples/csr"));
    QStringList paths;
    for (const QString& name : csr.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name))
        paths << csr.filePath(name);
    return paths;
}

} // namespace

Q_DECLARE_METATYPE(app::FilterTexts)

class tst_Inventory : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void worldMapFromTheMenu();
    void filtersSelectAsTheCommandLineDoes_data();
    void filtersSelectAsTheCommandLineDoes();
    void refusedFilterIsNamedAndNotTaken_data();
    void refusedFilterIsNamedAndNotTaken();
    void boxDrawnOnTheWorldMapIsTheFilter();
    void importWritesWhatMorvexImportWrites();
    void importAsksBeforeReplacingAndBreakLeavesTheFolder();
    void updateFromCatalogueWritesWhatMorvexHarvestWrites();
    void updateAsksBeforeReplacingAndBreakKeepsWhatWasSaved();
    void filterDialogIsSeenWholeAndReachedByKeys();
    void newMenusHaveAccessKeysOfTheirOwn();

private:
    QAction* action(const QString& name) const {
        QAction* found = m_window->findChild<QAction*>(name);
        if (!found) qFatal("no action %s", qPrintable(name));
        return found;
    }
    QLineEdit* answer(int i) const { return m_window->findChild<QLineEdit*>(QStringLiteral("Answer_%1").arg(i)); }
    void setFilters(const char* item, const app::FilterTexts& texts);
    // Chooses folder, then in the dialog the source address with its protocol (every known
    // source when address is empty) and OK; what the dialog offered: every, then its sources.
    QStringList updateFrom(const QString& folder, const QString& address, const QString& protocol);
    QString summary();

    FakeServices m_services;
    std::unique_ptr<Morvex> m_window;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_Inventory::initTestCase() {
    QGuiApplication::setQuitOnLastWindowClosed(false);
}

void tst_Inventory::init() {
    m_services = FakeServices();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_window = std::make_unique<Morvex>(WindowServices{&m_services, &m_services, &m_services});
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void tst_Inventory::cleanup() {
    kemsqa::setLastResult({});
    m_window.reset();
    for (const geo::MapRegion* region : {&geo::northAtlanticRegion(), &geo::worldRegion()})
        if (kemsqa* map = kemsqa::instance(*region)) map->close();
    m_dir.reset();
    QTRY_VERIFY([] {
        const QWidgetList windows = QApplication::topLevelWidgets();
        return std::none_of(windows.begin(), windows.end(), [](const QWidget* w) { return w->isVisible(); });
    }());
}

// Opens the filters' dialog from item, types texts into its fields and presses OK.
void tst_Inventory::setFilters(const char* item, const app::FilterTexts& texts) {
    whenModal<app::FilterDialog>(m_window.get(), [&](app::FilterDialog* dialog) {
        const std::pair<const char*, QString> fields[] = {
            {"from", texts.from}, {"to", texts.to},       {"west", texts.west},      {"south", texts.south},
            {"east", texts.east}, {"north", texts.north}, {"squares", texts.squares}};
        for (const auto& [name, text] : fields) {
            auto* edit = dialog->findChild<QLineEdit*>(QString::fromLatin1(name));
            QVERIFY(edit);
            edit->clear();
            QTest::keyClicks(edit, text);
        }
        dialog->accept();
    });
    action(QString::fromLatin1(item))->trigger();
}

QString tst_Inventory::summary() {
    // Straight to the "?": a map window may lie over it.
    auto* info = m_window->findChild<QLabel*>(QStringLiteral("labinfo"));
    const QPointF at = info->rect().center();
    QMouseEvent move(QEvent::MouseMove, at, info->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(info, &move);
    return m_window->findChild<QLabel*>(QStringLiteral("labselection"))->text();
}

// "World" under "Marsden Squares" opens the world's map; its picks reach the area field.
void tst_Inventory::worldMapFromTheMenu() {
    QMenu* squares = m_window->findChild<QMenu*>(QStringLiteral("mnumars"));
    QCOMPARE(squares->actions().last(), action(QStringLiteral("mnumars2")));
    action(QStringLiteral("mnumars2"))->trigger();
    kemsqa* world = kemsqa::instance(geo::worldRegion());
    QVERIFY(world && QTest::qWaitForWindowExposed(world));
    QCOMPARE(world->windowTitle(), QStringLiteral("Marsden Squares - World"));
    QVERIFY(!kemsqa::instance());
    QWidget* map = world->findChild<QWidget*>(QStringLiteral("mapArea"));
    // The Pacific: 140W to 150W, 10S to 20S is square 350.
    const QPoint pacific = world->view().toPixel(QPointF(7.5, 20.5), map->size()).toPoint();
    QTest::mouseClick(map, Qt::LeftButton, {}, pacific);
    QTest::keyClick(map, Qt::Key_Escape);
    QCOMPARE(answer(2)->text(), QStringLiteral("^350"));
}

void tst_Inventory::filtersSelectAsTheCommandLineDoes_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<app::FilterTexts>("texts");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("echo");
    app::FilterTexts squares;
    squares.squares = QStringLiteral("183 074,  147");
    QTest::newRow("squares") << "mnusquares" << squares << QStringList{"--square", "183,074,147"}
                             << "Marsden Square Numbers: 183 OR 74 OR 147";
    app::FilterTexts box;
    box.west = QStringLiteral("-40");
    box.south = QStringLiteral("45");
    box.east = QStringLiteral("-10.5");
    box.north = QStringLiteral("60");
    QTest::newRow("box") << "mnubox" << box << QStringList{"--bbox", "-40,45,-10.5,60"}
                         << "Box (W,S,E,N): -40,45,-10.5,60";
    app::FilterTexts dates;
    dates.from = QStringLiteral("1995-05-01");
    dates.to = QStringLiteral(" 1995-06-30 ");
    QTest::newRow("dates") << "mnudates" << dates << QStringList{"--from", "1995-05-01", "--to", "1995-06-30"}
                           << "Cruise Dates From: 1995-05-01\nCruise Dates To: 1995-06-30";
}

// A filter set in the dialog takes part in the next search exactly as the command line's
// option: the same four files, byte for byte; it is checked in the menu and in the summary.
void tst_Inventory::filtersSelectAsTheCommandLineDoes() {
    QFETCH(QString, item);
    QFETCH(app::FilterTexts, texts);
    QFETCH(QStringList, options);
    QFETCH(QString, echo);
    const QString sample = QStringLiteral(MORVEX_SOURCE_DIR "/samples/KER1995.INF");
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("window"))));
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("cli"))));
    for (const char* folder : {"window", "cli"})
        QVERIFY(QFile::copy(sample, m_dir->filePath(QString::fromLatin1(folder) + QStringLiteral("/KER1995.INF"))));

    setFilters(qPrintable(item), texts);
    QVERIFY(action(item)->isChecked());
    QVERIFY(summary().endsWith(QLatin1Char('\n') + echo));
    m_services.nextFiles = {m_dir->filePath(QStringLiteral("window/KER1995.INF"))};
    action(QStringLiteral("MnuFile"))->trigger();
    answer(1)->setText(QStringLiteral("a")); // with a criterion too: no question
    action(QStringLiteral("Mnusearch"))->trigger();
    QVERIFY2(m_services.messages.isEmpty(), qPrintable(m_services.messages.join(QLatin1Char('\n'))));

    QCOMPARE(runProgram(QStringLiteral(MORVEX_SEARCH_BIN),
                        QStringList{"--quiet", "--country", "a"} + options +
                            QStringList{m_dir->filePath(QStringLiteral("cli/KER1995.INF"))}),
             0);
    for (const QString& report : kReports) {
        const QByteArray window = contents(m_dir->filePath(QStringLiteral("window/") + report));
        QCOMPARE(window, contents(m_dir->filePath(QStringLiteral("cli/") + report)));
        if (report == QLatin1String("kerheads.htm"))
            QVERIFY(window.contains(echo.split(QLatin1Char('\n')).first().toLatin1()));
    }
    QVERIFY(contents(m_dir->filePath(QStringLiteral("window/kerxxxx.inf"))).size() <
            contents(sample).size()); // the filter left forms out
}

void tst_Inventory::refusedFilterIsNamedAndNotTaken_data() {
    QTest::addColumn<app::FilterTexts>("texts");
    QTest::addColumn<QString>("message");
    app::FilterTexts date;
    date.from = QStringLiteral("1995-13-01");
    QTest::newRow("date") << date << "Cruise dates from: 1995-13-01: not a calendar date written YYYY-MM-DD";
    app::FilterTexts order;
    order.from = QStringLiteral("1995-06-01");
    order.to = QStringLiteral("1995-01-01");
    QTest::newRow("order") << order
                           << "Cruise dates from 1995-06-01 comes after to 1995-01-01: no cruise can meet both";
    app::FilterTexts box;
    box.west = QStringLiteral("-40");
    box.south = QStringLiteral("45");
    box.east = QStringLiteral("190");
    box.north = QStringLiteral("60");
    QTest::newRow("box") << box << "Box: east must be a number of degrees from -180 to 180";
    app::FilterTexts half;
    half.west = QStringLiteral("-40");
    QTest::newRow("half a box") << half << "Box: give all four edges (west, south, east, north) or none";
    app::FilterTexts squares;
    squares.squares = QStringLiteral("183 289");
    QTest::newRow("square") << squares
                            << "Marsden squares: 289: not the number of a Marsden square (1 to 288, 300 to 623, "
                               "901 to 936)";
}

// The core's message, naming the field; the dialog stays, and the filters stay as they were.
void tst_Inventory::refusedFilterIsNamedAndNotTaken() {
    QFETCH(app::FilterTexts, texts);
    QFETCH(QString, message);
    bool stayed = false;
    m_services.onMessage = [&] { stayed = QApplication::activeModalWidget() != nullptr; };
    setFilters("mnudates", texts);
    QCOMPARE(m_services.messages, QStringList{message});
    QVERIFY(stayed);
    for (const char* item : {"mnudates", "mnubox", "mnusquares"})
        QVERIFY(!action(QString::fromLatin1(item))->isChecked());
    QVERIFY(summary().endsWith(QLatin1String("NO search criteria have been chosen!")));
}

// Shift and a drag on the world map makes the filter's box, shown in the menu and the summary,
// and in the dialog's fields; the other filters stay.
void tst_Inventory::boxDrawnOnTheWorldMapIsTheFilter() {
    app::FilterTexts squares;
    squares.squares = QStringLiteral("183");
    setFilters("mnusquares", squares);
    action(QStringLiteral("mnumars2"))->trigger();
    kemsqa* world = kemsqa::instance(geo::worldRegion());
    QVERIFY(world && QTest::qWaitForWindowExposed(world));
    QWidget* map = world->findChild<QWidget*>(QStringLiteral("mapArea"));
    const QPoint from = world->view().toPixel(QPointF(32, 7.4), map->size()).toPoint(); // 20W 53N
    const QPoint to = world->view().toPixel(QPointF(36, 10), map->size()).toPoint();    // 0 40N
    QTest::mousePress(map, Qt::LeftButton, Qt::ShiftModifier, from);
    QTest::mouseMove(map, to);
    QTest::mouseRelease(map, Qt::LeftButton, Qt::ShiftModifier, to);
    QVERIFY(action(QStringLiteral("mnubox"))->isChecked());
    QVERIFY(action(QStringLiteral("mnusquares"))->isChecked());
    QVERIFY(summary().endsWith(QLatin1String("\nMarsden Square Numbers: 183\nBox (W,S,E,N): -20,40,0,53")));
    QString west, north;
    whenModal<app::FilterDialog>(m_window.get(), [&](app::FilterDialog* dialog) {
        west = dialog->findChild<QLineEdit*>(QStringLiteral("west"))->text();
        north = dialog->findChild<QLineEdit*>(QStringLiteral("north"))->text();
    });
    action(QStringLiteral("mnubox"))->trigger(); // the dialog, then Cancel
    QCOMPARE(west, QStringLiteral("-20"));
    QCOMPARE(north, QStringLiteral("53"));
    QVERIFY(action(QStringLiteral("mnubox"))->isChecked());

    // "Clear All Criteria" takes the filters too.
    m_services.answer = true;
    action(QStringLiteral("mnuclear"))->trigger();
    for (const char* item : {"mnudates", "mnubox", "mnusquares"})
        QVERIFY(!action(QString::fromLatin1(item))->isChecked());
}

// The import of the sample records from the window writes the files morvex-import writes from
// them, lists its messages with the summary, and the files become the chosen ones.
void tst_Inventory::importWritesWhatMorvexImportWrites() {
    const QStringList records = sampleRecords();
    QVERIFY(records.size() >= 2);
    const QString window = m_dir->filePath(QStringLiteral("window")), cli = m_dir->filePath(QStringLiteral("cli"));
    QVERIFY(QDir().mkpath(window) && QDir().mkpath(cli));
    m_services.nextRecords = records;
    m_services.nextFolders = {window};
    action(QStringLiteral("mnuimport1"))->trigger();
    QCOMPARE(m_services.questions, QStringList()); // an empty folder: nothing to ask
    QCOMPARE(runProgram(QStringLiteral(MORVEX_IMPORT_BIN), QStringList{"--quiet", "--output-dir", cli} + records), 0);
    const QStringList written = QDir(cli).entryList(QDir::Files, QDir::Name);
    QVERIFY(!written.isEmpty());
    QCOMPARE(QDir(window).entryList(QDir::Files | QDir::Hidden, QDir::Name), written);
    for (const QString& name : written)
        QCOMPARE(contents(QDir(window).filePath(name)), contents(QDir(cli).filePath(name)));

    QCOMPARE(m_services.reports.size(), 1);
    const QStringList report = m_services.reports.front().split(QLatin1Char('\n'));
    QCOMPARE(report[0], QStringLiteral("Import of CSR Records"));
    QVERIFY(report[1].startsWith(QLatin1String("Records read: ")));
    QCOMPARE(report[2], written[0] + QStringLiteral(": 1 forms"));
    QVERIFY(report.filter(QStringLiteral("skipped: its hierarchy level name is not CSR")).size() == 1);

    std::vector<std::string> chosen;
    for (const QString& name : written)
        chosen.push_back(QDir(window).filePath(name).toStdString());
    QCOMPARE(m_window->fileSelection().files, chosen);
    QCOMPARE(m_window->fileSelection().yearsLabel, std::string("1994 1995 1996"));
    QVERIFY(action(QStringLiteral("MnuFile"))->isEnabled() && !action(QStringLiteral("Mnubreak"))->isEnabled());
}

// A folder that holds form files is imported into only after a question naming them; Break
// during the import leaves it as it was.
void tst_Inventory::importAsksBeforeReplacingAndBreakLeavesTheFolder() {
    const QString folder = m_dir->filePath(QStringLiteral("inventory"));
    QVERIFY(QDir().mkpath(folder));
    QFile earlier(QDir(folder).filePath(QStringLiteral("KER1995.INF")));
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier\r\n*\r\n");
    earlier.close();
    const QStringList before = folderState(folder);
    m_services.nextRecords = sampleRecords();
    m_services.nextFolders = {folder};
    m_services.answer = false;
    action(QStringLiteral("mnuimport1"))->trigger();
    QCOMPARE(m_services.questions,
             QStringList{QDir::toNativeSeparators(folder) +
                         " holds form files: KER1995.INF.\nThe form file of each year imported replaces the one of "
                         "that year there; the others stay. Import into it?"});
    QVERIFY(m_services.reports.isEmpty());
    QCOMPARE(folderState(folder), before);

    // Yes, then Break as soon as the import lets the window's events through.
    m_services.answer = true;
    m_services.nextFolders = {folder};
    QTimer::singleShot(0, action(QStringLiteral("Mnubreak")), &QAction::trigger);
    action(QStringLiteral("mnuimport1"))->trigger();
    QCOMPARE(folderState(folder), before);
    QCOMPARE(m_services.reports.size(), 1);
    QVERIFY(m_window->fileSelection().files.empty());
    QVERIFY(action(QStringLiteral("mnuimport1"))->isEnabled());

    // Yes and no Break: the year imported replaces its file.
    m_services.nextFolders = {folder};
    action(QStringLiteral("mnuimport1"))->trigger();
    QVERIFY(contents(QDir(folder).filePath(QStringLiteral("KER1995.INF"))) != QByteArray("earlier\r\n*\r\n"));
    QCOMPARE(m_window->fileSelection().files.size(), std::size_t(3));

    // A search holds the imports back while it runs, as it holds back the file choice.
    bool heldBack = false;
    m_services.onAsk = [&] { heldBack = !action(QStringLiteral("mnuimport1"))->isEnabled(); };
    action(QStringLiteral("Mnusearch"))->trigger(); // no criteria: the run asks first
    QVERIFY(heldBack);
    QVERIFY(action(QStringLiteral("mnuimport1"))->isEnabled());
}

QStringList tst_Inventory::updateFrom(const QString& folder, const QString& address, const QString& protocol) {
    QStringList offered;
    m_services.nextFolders = {folder};
    whenModal<app::HarvestDialog>(m_window.get(), [&](app::HarvestDialog* dialog) {
        auto* every = dialog->findChild<QCheckBox*>(QStringLiteral("every"));
        auto* source = dialog->findChild<QComboBox*>(QStringLiteral("source"));
        auto* protocols = dialog->findChild<QComboBox*>(QStringLiteral("protocol"));
        QVERIFY(every && source && protocols);
        offered << (every->isChecked() ? QStringLiteral("every") : QStringLiteral("one"));
        for (int i = 0; i < source->count(); ++i)
            offered << source->itemText(i);
        every->setChecked(address.isEmpty());
        if (!address.isEmpty()) {
            source->setCurrentText(address);
            if (protocols->isEnabled()) protocols->setCurrentIndex(protocols->findData(protocol));
            QCOMPARE(protocols->currentData().toString(), protocol);
        }
        dialog->accept();
    });
    action(QStringLiteral("mnuimport3"))->trigger();
    return offered;
}

// An update from a CSW catalogue on 127.0.0.1 writes the form files morvex-harvest writes from
// the same catalogue, reports its counts, and the files become the chosen ones; the folder then
// remembers the catalogue, and "every source" updates it again.
void tst_Inventory::updateFromCatalogueWritesWhatMorvexHarvestWrites() {
    harvesttest::CswCatalogue catalogue{{harvesttest::cruise("urn:w1", "1995-03-01", "West"),
                                         harvesttest::cruise("urn:w2", "1996-04-01", "East"),
                                         harvesttest::cruise("urn:w3", "1996-05-01", "North")},
                                        10,
                                        harvesttest::NextRecord::Right,
                                        false};
    harvesttest::LoopbackServer server([&](const harvesttest::Seen& r) { return catalogue.answer(r); });
    const QString url = QString::fromStdString(server.url("/csw"));
    const QString window = m_dir->filePath(QStringLiteral("window")), cli = m_dir->filePath(QStringLiteral("cli"));
    QVERIFY(QDir().mkpath(window) && QDir().mkpath(cli));
    QCOMPARE(updateFrom(window, url, QStringLiteral("csw")), QStringList{QStringLiteral("one")}); // nothing known yet
    QCOMPARE(runProgram(QStringLiteral(MORVEX_HARVEST_BIN), {"--quiet", "-o", cli, "--protocol", "csw", url}), 0);
    const QStringList written = formFileNames(cli);
    QCOMPARE(written, (QStringList{"KER1995.INF", "KER1996.INF"}));
    QCOMPARE(formFileNames(window), written);
    for (const QString& name : written)
        QCOMPARE(contents(QDir(window).filePath(name)), contents(QDir(cli).filePath(name)));

    QCOMPARE(m_services.reports.size(), 1);
    const QStringList report = m_services.reports.front().split(QLatin1Char('\n'));
    QCOMPARE(report.mid(0, 5),
             (QStringList{"Update from Catalogue",
                          "Records new: 3, changed: 0, unchanged: 0, deleted: 0, not CSR: 0; pages: 1; retries: 0; "
                          "year files written: 2",
                          "Records read: 3, imported: 3, skipped: 0, replaced duplicates: 0, transliterated "
                          "characters: 0, inputs not read: 0, investigators left out: 0, documents without records: 0",
                          "KER1995.INF: 1 forms", "KER1996.INF: 2 forms"}));
    std::vector<std::string> chosen;
    for (const QString& name : written)
        chosen.push_back(QDir(window).filePath(name).toStdString());
    QCOMPARE(m_window->fileSelection().files, chosen);
    QVERIFY(action(QStringLiteral("mnuimport3"))->isEnabled() && !action(QStringLiteral("Mnubreak"))->isEnabled());

    // A record changed at the catalogue: the folder's store offers the catalogue, and every
    // source is updated.
    catalogue.records[1] = harvesttest::cruise("urn:w2", "1996-04-01", "East again", "2021-01-01");
    QCOMPARE(updateFrom(window, QString(), QString()), (QStringList{"every", url}));
    QCOMPARE(m_services.reports.size(), 2);
    QVERIFY2(m_services.reports.back().contains(QLatin1String("Records new: 0, changed: 1, unchanged: 2")),
             qPrintable(m_services.reports.back()));
    QVERIFY(contents(QDir(window).filePath(QStringLiteral("KER1996.INF"))).contains("CR East again^"));
}

// A year file the store did not write is replaced only after a question naming it; Break while
// a page is on its way stops the harvest, which keeps what it saved, and writes no form file.
void tst_Inventory::updateAsksBeforeReplacingAndBreakKeepsWhatWasSaved() {
    harvesttest::CswCatalogue catalogue{
        {harvesttest::cruise("urn:b1", "1995-03-01", "One"), harvesttest::cruise("urn:b2", "1995-04-01", "Two")},
        1,
        harvesttest::NextRecord::Right,
        false};
    std::atomic<bool> held{false}, asked{false}, released{true};
    harvesttest::LoopbackServer server([&](const harvesttest::Seen& r) {
        // The second page waits until the test has given Break.
        if (r.params.count("startPosition") > 0 && r.params.at("startPosition") == "2" && !released) {
            asked = true;
            for (int i = 0; i < 100000 && !released; ++i)
                QThread::msleep(1);
        }
        return catalogue.answer(r);
    });
    const QString url = QString::fromStdString(server.url("/csw"));
    const QString folder = m_dir->filePath(QStringLiteral("inventory"));
    QVERIFY(QDir().mkpath(folder));
    released = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, m_window.get(), [&] {
        if (!asked || held) return;
        held = true;
        action(QStringLiteral("Mnubreak"))->trigger();
        released = true;
    });
    poll.start(5);
    updateFrom(folder, url, QStringLiteral("csw"));
    poll.stop();
    QVERIFY(held);
    QCOMPARE(m_services.reports.size(), 1);
    QVERIFY2(m_services.reports.back().contains(QLatin1String(
                 "stopped; the store keeps every page harvested, and the next harvest goes on from there")),
             qPrintable(m_services.reports.back()));
    QVERIFY(formFileNames(folder).isEmpty());
    const std::vector<std::string> saved = harvesttest::storeRows(folder.toStdString(), "SELECT count(*) FROM records");
    QVERIFY(saved == std::vector<std::string>{"1"} || saved == std::vector<std::string>{"2"});
    QVERIFY(m_window->fileSelection().files.empty());
    QVERIFY(action(QStringLiteral("mnuimport3"))->isEnabled());

    // A form file of the user's own there: No leaves it; Yes replaces it with the harvest's.
    QFile own(QDir(folder).filePath(QStringLiteral("KER1995.INF")));
    QVERIFY(own.open(QIODevice::WriteOnly));
    own.write("earlier\r\n*\r\n");
    own.close();
    m_services.answer = false;
    updateFrom(folder, QString(), QString());
    QCOMPARE(m_services.questions,
             QStringList{QDir::toNativeSeparators(folder) +
                         " holds form files that the updates did not write, or that changed since: KER1995.INF.\n"
                         "Replace them with the form files of the harvested records?"});
    QCOMPARE(contents(QDir(folder).filePath(QStringLiteral("KER1995.INF"))), QByteArray("earlier\r\n*\r\n"));
    m_services.answer = true;
    updateFrom(folder, QString(), QString());
    QVERIFY(contents(QDir(folder).filePath(QStringLiteral("KER1995.INF"))).contains("CR Two^"));
    QCOMPARE(m_window->fileSelection().files.size(), std::size_t(1));
}

// On every screen the dialog fits, no caption is cut, Tab reaches every field in order and each
// field's access key is its own.
void tst_Inventory::filterDialogIsSeenWholeAndReachedByKeys() {
    QStringList order, keys, cut;
    bool inside = false;
    whenModal<app::FilterDialog>(m_window.get(), [&](app::FilterDialog* dialog) {
        inside = dialog->screen()->availableGeometry().contains(dialog->frameGeometry());
        for (const QLabel* label : dialog->findChildren<QLabel*>()) {
            if (!label->isVisible()) continue;
            if (label->sizeHint().width() > label->width() || label->sizeHint().height() > label->height())
                cut << label->text();
            if (label->buddy()) keys << QKeySequence::mnemonic(label->text()).toString();
        }
        for (const QGroupBox* group : dialog->findChildren<QGroupBox*>())
            if (group->fontMetrics().horizontalAdvance(group->title()) > group->width()) cut << group->title();
        // The dialog has the keyboard once its window is active, which a loaded machine delays.
        QTRY_VERIFY(QApplication::focusWidget() && dialog->isAncestorOf(QApplication::focusWidget()));
        for (int n = 0; n < 7; ++n) {
            order << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
    });
    action(QStringLiteral("mnudates"))->trigger();
    QVERIFY(inside);
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1String(" | "))));
    QCOMPARE(order, (QStringList{"from", "to", "west", "south", "east", "north", "squares"}));
    QCOMPARE(keys.size(), 7);
    QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size(), 7);
}

// "&Import" has a key no other entry of the menu bar has; the items added to "&Search
// Criteria" and those of "&Import" each have a key of their own in their menu.
void tst_Inventory::newMenusHaveAccessKeysOfTheirOwn() {
    const auto key = [](const QAction* entry) { return QKeySequence::mnemonic(entry->text()); };
    QAction* import = action(QStringLiteral("MnuImport"));
    for (QAction* entry : m_window->menuBar()->actions())
        if (entry != import && !entry->isSeparator()) QVERIFY2(key(entry) != key(import), qPrintable(entry->text()));
    for (const char* menu : {"MnuSelect", "MnuImport"}) {
        QStringList seen;
        for (QAction* item : m_window->findChild<QMenu*>(QString::fromLatin1(menu))->actions()) {
            if (item->isSeparator() || key(item).isEmpty()) continue;
            const QString k = key(item).toString();
            QVERIFY2(!seen.contains(k), qPrintable(item->text()));
            seen << k;
        }
    }
    QCOMPARE(key(action(QStringLiteral("mnuimport1"))), QKeySequence(Qt::ALT | Qt::Key_R));
}

QTEST_MAIN(tst_Inventory)
#include "tst_inventory.moc"
