// Drives the results window like a user: the Results menu through runs, sorting, filtering, the
// form of a row, its squares on the map, and exports read back by other programs.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolTip>

#include <unistd.h>

#include <algorithm>
#include <memory>

#include "app/morvex.h"
#include "app/resultswindow.h"
#include "geo/kemsqa.h"
#include "tests/gui/fakeservices.h"

namespace {

// A form of ten header lines and one station line; texts are Windows-1252.
QByteArray form(const QByteArray& year, int number, const QByteArray& country, const QByteArray& squares,
                const QByteArray& dates, const QByteArray& ship, const QByteArray& stations) {
    const QByteArray n = QByteArray::number(number);
    QByteArray text;
    for (const QByteArray& line :
         {year + "^74^" + n + "^^2^WOCE", country, squares, QByteArray("NERC"), dates,
          "   Cruise " + n +
              "^O\x92"
              "Brien survey",
          ship, QByteArray("J Smith"), QByteArray("A Jones"), QByteArray(""), "H09^" + stations + "^a^^^3 at ULMA"})
        text += line + "\r\n";
    return text + "*\r\n";
}

const QByteArray kForms = form("1995", 1, "Spain", "183^184", "12^Jun^2^Jul^Vigo", "charles darwin", "86") +
                          form("94", 2, "Canada", "074", "20^Dec^5^Jan^", "Hudson", "9") +
                          form("1995", 3, "France \x80", "217^218", "3^Mar^4^Mar^", "\xc9l\xe9gante", "120") +
                          form("1996", 4, "Ireland", "CH^183^IHB01a", "1^Feb^3^Feb^", "Celtic Explorer", "10b");

// Column numbers of the table, as exports::resultColumns() orders them.
constexpr int kSelection = 0, kYear = 2, kCountry = 6, kStart = 15, kCruise = 18, kShip = 21, kBottles = 25;

// Services whose question, asked during a run, notes the state of the Results menu then.
class RunWatchingServices : public FakeServices {
public:
    bool ask(QWidget* parent, const QString& question) override {
        if (results) enabledDuringRun << results->isEnabled();
        if (window)
            rowsDuringRun
                << (window->resultsWindow()
                        ? window->resultsWindow()->findChild<QTableView*>(QStringLiteral("table"))->model()->rowCount()
                        : -1);
        return FakeServices::ask(parent, question);
    }
    QAction* results = nullptr;
    Morvex* window = nullptr;
    QList<bool> enabledDuringRun;
    QList<int> rowsDuringRun;
};

} // namespace

class tst_Results : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void menuFollowsTheRuns();
    void tableShowsTheFormsAsTheReportsRead();
    void sortsEachKindOfColumn();
    void sortsFromTheKeyboard();
    void columnsStartWideEnoughAndCutTextsHaveTooltips();
    void filterKeepsRowsHoldingTheText();
    void hiddenColumnsAreNotFiltered();
    void currentRowShowsItsFormAndOpensIt();
    void chosenRowsAreOutlinedOnTheMap();
    void exportsReadBack_data();
    void exportsReadBack();
    void geoJsonExportReadByOgrinfo();
    void failedExportIsShownAndLeavesNoFile();
    void keyboardAndNames();
    void closingTheMainWindowClosesIt();
    void browserIsForwardedToTheFormsAnchor();
    void filesGivenToTheProgramAreChosen();

private:
    QAction* action(const QString& name) const { return m_window->findChild<QAction*>(name); }
    template <typename T> T* part(const QString& name) const {
        T* widget = m_window->resultsWindow()->findChild<T*>(name);
        if (!widget) qFatal("no results control %s", qPrintable(name));
        return widget;
    }
    QTableView* table() const { return part<QTableView>(QStringLiteral("table")); }
    QString cell(int row, int column) const { return table()->model()->index(row, column).data().toString(); }
    QStringList columnTexts(int column) const {
        QStringList texts;
        for (int row = 0; row < table()->model()->rowCount(); ++row)
            texts << cell(row, column);
        return texts;
    }
    void search(const QByteArray& forms, const QString& country);
    void openResults();
    QString runPython(const QString& script, const QStringList& args);

    RunWatchingServices m_services;
    std::unique_ptr<Morvex> m_window;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_Results::initTestCase() {
    QGuiApplication::setQuitOnLastWindowClosed(false);
}

void tst_Results::init() {
    m_services = RunWatchingServices();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_window = std::make_unique<Morvex>(WindowServices{&m_services, &m_services, &m_services});
    m_services.results = action(QStringLiteral("MnuResults"));
    m_services.window = m_window.get();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void tst_Results::cleanup() {
    kemsqa::setLastResult({});
    m_window.reset();
    if (kemsqa* map = kemsqa::instance()) map->close();
    m_dir.reset();
    QTRY_VERIFY([] {
        const QWidgetList windows = QApplication::topLevelWidgets();
        return std::none_of(windows.begin(), windows.end(), [](const QWidget* w) { return w->isVisible(); });
    }());
}

// A run over forms in KER1995.INF with the country criterion; an empty one asks first.
void tst_Results::search(const QByteArray& forms, const QString& country) {
    QFile file(m_dir->filePath(QStringLiteral("KER1995.INF")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(forms);
    file.close();
    m_services.nextFiles = QStringList{file.fileName()};
    action(QStringLiteral("MnuFile"))->trigger();
    action(QStringLiteral("mnusel_1"))->trigger();
    auto* field = m_window->findChild<QLineEdit*>(QStringLiteral("Answer_1"));
    field->setText(country);
    action(QStringLiteral("Mnusearch"))->trigger();
}

void tst_Results::openResults() {
    action(QStringLiteral("mnuresults1"))->trigger();
    QVERIFY(m_window->resultsWindow());
    QVERIFY(QTest::qWaitForWindowExposed(m_window->resultsWindow()));
}

QString tst_Results::runPython(const QString& script, const QStringList& args) {
    QProcess python;
    python.start(QStringLiteral(MORVEX_PYTHON), QStringList{QStringLiteral("-c"), script} + args);
    if (!python.waitForFinished(-1) || python.exitCode() != 0)
        return QStringLiteral("python failed: ") + QString::fromUtf8(python.readAllStandardError());
    return QString::fromUtf8(python.readAllStandardOutput()).trimmed();
}

void tst_Results::menuFollowsTheRuns() {
    QAction* results = action(QStringLiteral("MnuResults"));
    const QList<QAction*> bar = m_window->menuBar()->actions();
    QCOMPARE(bar.indexOf(results) + 1, bar.indexOf(action(QStringLiteral("Mnuend")))); // last before End
    QCOMPARE(results->text(), QStringLiteral("&Results"));
    QVERIFY(!results->isEnabled()); // at start-up

    search(kForms, QStringLiteral("Atlantis"));
    QVERIFY(!results->isEnabled()); // a run that selected nothing

    search(kForms, QStringLiteral("a"));
    QVERIFY(results->isEnabled());
    openResults();
    QCOMPARE(table()->model()->rowCount(), 4);

    // No criterion: the run asks first, and the menu and table are already empty then.
    search(kForms, QString());
    QCOMPARE(m_services.enabledDuringRun, QList<bool>{false});
    QCOMPARE(m_services.rowsDuringRun, QList<int>{0});
    QVERIFY(results->isEnabled());
    QCOMPARE(table()->model()->rowCount(), 4);

    m_services.answer = false; // declined: no run, and the result of the last one is gone
    search(kForms, QString());
    QVERIFY(!results->isEnabled());
    QCOMPARE(table()->model()->rowCount(), 0);
}

void tst_Results::tableShowsTheFormsAsTheReportsRead() {
    search(kForms, QStringLiteral("a"));
    openResults();
    QCOMPARE(m_window->resultsWindow()->windowTitle(), QStringLiteral("Selected Forms 1995"));
    QCOMPARE(part<QLabel>(QStringLiteral("count"))->text(), QStringLiteral("4 of 4 forms"));
    QCOMPARE(columnTexts(kSelection), (QStringList{"1", "2", "3", "4"}));
    QCOMPARE(cell(1, kYear), QStringLiteral("1994"));
    QCOMPARE(cell(2, kCountry), QStringLiteral("France \u20ac"));
    QCOMPARE(cell(2, kShip), QStringLiteral("\u00c9l\u00e9gante"));
    QCOMPARE(cell(0, kCruise), QStringLiteral("Cruise 1"));
    QCOMPARE(cell(1, kStart), QStringLiteral("1994-12-20"));
    QCOMPARE(table()->model()->headerData(kShip, Qt::Horizontal).toString(), QStringLiteral("Ship"));
    QVERIFY(!table()->isColumnHidden(kShip));
}

void tst_Results::sortsEachKindOfColumn() {
    search(kForms, QStringLiteral("a"));
    openResults();
    QHeaderView* header = table()->horizontalHeader();
    const auto clickHeading = [&](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    };
    table()->scrollTo(table()->model()->index(0, kBottles));
    clickHeading(kBottles); // numbers as numbers: 9 before 86, "10b" by its 10
    QCOMPARE(columnTexts(kBottles), (QStringList{"9", "10b", "86", "120"}));
    clickHeading(kBottles);
    QCOMPARE(columnTexts(kBottles), (QStringList{"120", "86", "10b", "9"}));
    table()->sortByColumn(kStart, Qt::AscendingOrder); // dates
    QCOMPARE(columnTexts(kSelection), (QStringList{"2", "3", "1", "4"}));
    table()->sortByColumn(kShip, Qt::AscendingOrder); // text, letter case aside
    QCOMPARE(columnTexts(kShip),
             (QStringList{"Celtic Explorer", "charles darwin", "Hudson", QStringLiteral("\u00c9l\u00e9gante")}));
    table()->sortByColumn(kSelection, Qt::AscendingOrder); // back to selection order
    QCOMPARE(columnTexts(kSelection), (QStringList{"1", "2", "3", "4"}));

    // The current row and the chosen rows stay with their forms through a sort.
    table()->selectRow(1);
    table()->sortByColumn(kShip, Qt::DescendingOrder);
    QCOMPARE(cell(table()->currentIndex().row(), kSelection), QStringLiteral("2"));
    const QModelIndexList chosen = table()->selectionModel()->selectedRows();
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(cell(chosen.front().row(), kShip), QStringLiteral("Hudson"));
}

// The table's own menu (the Menu key) sorts by the current column, and again the other way, or
// by a column of its "Sort by" list.
void tst_Results::sortsFromTheKeyboard() {
    search(kForms, QStringLiteral("a"));
    openResults();
    m_window->resultsWindow()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window->resultsWindow()));
    table()->setFocus();
    table()->setCurrentIndex(table()->model()->index(0, kShip));
    const auto fromMenu = [&](const QString& item) {
        bool done = false;
        QTimer::singleShot(0, this, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            QStringList items;
            for (QAction* entry : menu->actions())
                items << entry->text();
            QCOMPARE(items, (QStringList{"&Sort by Ship", "Sort &by"}));
            QAction* chosen = nullptr;
            if (item.isEmpty()) {
                chosen = menu->actions().first();
            } else {
                for (QAction* column : menu->actions().last()->menu()->actions())
                    if (column->text() == item) chosen = column;
            }
            QVERIFY(chosen);
            menu->close();
            chosen->trigger();
            done = true;
        });
        QTest::keyClick(table(), Qt::Key_F10, Qt::ShiftModifier);
        QTRY_VERIFY(done);
    };
    fromMenu(QString());
    QCOMPARE(columnTexts(kShip), (QStringList{"Celtic Explorer", "charles darwin", "Hudson", "\u00c9l\u00e9gante"}));
    fromMenu(QString()); // again: the other way
    QCOMPARE(columnTexts(kShip), (QStringList{"\u00c9l\u00e9gante", "Hudson", "charles darwin", "Celtic Explorer"}));
    fromMenu(QStringLiteral("Water Bottle Stations"));
    QCOMPARE(columnTexts(kBottles), (QStringList{"9", "10b", "86", "120"}));
    QCOMPARE(table()->horizontalHeader()->sortIndicatorSection(), kBottles);

    // The Menu key, as the window system reports it, opens the same menu.
    bool shown = false;
    QTimer::singleShot(0, this, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            shown = menu->actions().first()->text() == QLatin1String("&Sort by Ship");
            menu->close();
        }
    });
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(1, 1), table()->viewport()->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(table()->viewport(), &key);
    QTRY_VERIFY(shown);
}

// Each column starts as wide as its widest text among the first rows, its heading and a whole
// date; a text that the column cuts has its whole text as a tooltip, one shown whole has none.
void tst_Results::columnsStartWideEnoughAndCutTextsHaveTooltips() {
    QByteArray forms = kForms;
    const QByteArray agency(150, 'w'); // wider than a column starts
    forms.replace("NERC\r\n", "Bedford Institute of Oceanography\r\n");
    forms += form("1996", 5, "Portugal", "183", "1^Feb^3^Feb^", "Challenger " + agency, "7");
    search(forms, QStringLiteral("a"));
    openResults();
    const QFontMetrics metrics = table()->fontMetrics();
    const QHeaderView* header = table()->horizontalHeader();
    const QAbstractItemModel* model = table()->model();
    for (int c = 0; c < model->columnCount(); ++c) {
        table()->setColumnHidden(c, false); // a column hidden at first too, for when it is shown
        const int width = header->sectionSize(c);
        QVERIFY2(width >= header->sectionSizeHint(c), qPrintable(QString::number(c))); // the heading and its sort mark
        for (int r = 0; r < model->rowCount(); ++r) {
            const QString text = model->index(r, c).data().toString();
            if (r == 4 && c == kShip) continue;
            QVERIFY2(metrics.horizontalAdvance(text) + 8 <= width, qPrintable(text));
        }
    }
    QVERIFY(header->sectionSize(kStart) >= metrics.horizontalAdvance(QStringLiteral("2026-12-31")) + 8);
    QVERIFY(header->sectionSize(kShip) < metrics.horizontalAdvance(cell(4, kShip))); // too wide to start with

    // A cell seen whole first: no tooltip has been shown yet, so none is there to fade.
    const auto tooltipOf = [&](int row, int column) {
        table()->scrollTo(model->index(row, column));
        const QRect rect = table()->visualRect(model->index(row, column));
        QHelpEvent help(QEvent::ToolTip, rect.center(), table()->viewport()->mapToGlobal(rect.center()));
        QApplication::sendEvent(table()->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    QCOMPARE(tooltipOf(1, kShip), QString()); // "Hudson" is seen whole
    QCOMPARE(tooltipOf(4, kShip), QStringLiteral("<p style=\"white-space:pre-wrap\">Challenger ") +
                                      QString(150, QLatin1Char('w')) + QStringLiteral("</p>"));
    table()->horizontalHeader()->resizeSection(kCountry, metrics.horizontalAdvance(QStringLiteral("Can")));
    QCOMPARE(tooltipOf(1, kCountry), QStringLiteral("<p style=\"white-space:pre-wrap\">Canada</p>"));
    QToolTip::hideText();
}

void tst_Results::filterKeepsRowsHoldingTheText() {
    search(kForms, QStringLiteral("a"));
    openResults();
    auto* filter = part<QLineEdit>(QStringLiteral("filter"));
    auto* count = part<QLabel>(QStringLiteral("count"));
    QTest::keyClicks(filter, QStringLiteral("C"));
    QCOMPARE(count->text(), QStringLiteral("4 of 4 forms")); // "Cruise" in every row
    QTest::keyClicks(filter, QStringLiteral("ELT"));
    QCOMPARE(columnTexts(kSelection), QStringList{"4"});
    QCOMPARE(count->text(), QStringLiteral("1 of 4 forms"));
    filter->clear();
    filter->setText(QStringLiteral("\u00e9L\u00c9")); // Windows-1252 letters in any case
    QCOMPARE(columnTexts(kSelection), QStringList{"3"});
    filter->setText(QStringLiteral("\u20ac")); // the euro sign of the form's byte 0x80
    QCOMPARE(columnTexts(kSelection), QStringList{"3"});
    // Chosen rows the filter keeps stay chosen, and their squares outlined.
    filter->clear();
    table()->selectRow(0);
    table()->selectionModel()->select(table()->model()->index(3, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    filter->setText(QStringLiteral("celtic"));
    QCOMPARE(table()->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(kemsqa::outlined(), (std::vector<int>{183}));
    filter->setText(QStringLiteral("\u0141")); // no Windows-1252 byte: no form holds it
    QCOMPARE(count->text(), QStringLiteral("0 of 4 forms"));
    filter->clear();
    QCOMPARE(count->text(), QStringLiteral("4 of 4 forms"));
}

void tst_Results::hiddenColumnsAreNotFiltered() {
    search(kForms, QStringLiteral("a"));
    openResults();
    auto* filter = part<QLineEdit>(QStringLiteral("filter"));
    filter->setText(QStringLiteral("hudson"));
    QCOMPARE(columnTexts(kSelection), QStringList{"2"});
    // The heading's menu hides the Ship column: its texts are no longer looked in.
    QHeaderView* header = table()->horizontalHeader();
    bool hid = false;
    QTimer::singleShot(0, this, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        for (QAction* item : menu->actions()) {
            if (item->text() != QLatin1String("Ship")) continue;
            QVERIFY(item->isChecked());
            item->trigger();
            hid = true;
        }
        menu->close();
    });
    Q_EMIT header->customContextMenuRequested(QPoint(5, 5));
    QVERIFY(hid);
    QVERIFY(table()->isColumnHidden(kShip));
    QCOMPARE(part<QLabel>(QStringLiteral("count"))->text(), QStringLiteral("0 of 4 forms"));
}

void tst_Results::currentRowShowsItsFormAndOpensIt() {
    search(kForms, QStringLiteral("a"));
    openResults();
    auto* formView = part<QTextBrowser>(QStringLiteral("form"));
    QVERIFY(formView->toPlainText().contains(QStringLiteral("Form 1 ")));
    table()->setFocus();
    table()->selectRow(2);
    const QString shown = formView->toPlainText();
    QVERIFY2(shown.contains(QStringLiteral("Form 3 ")), qPrintable(shown));
    QVERIFY(shown.contains(QStringLiteral("Cruise Dates")));
    QVERIFY(shown.contains(QStringLiteral("3 Mar 1995 to 4 Mar 1995")));
    QVERIFY(shown.contains(QStringLiteral("Cruise 3 O\u2019Brien survey"))); // byte 0x92
    QVERIFY(shown.contains(QStringLiteral("France \u20ac")));

    const QString report = m_dir->filePath(QStringLiteral("kerforms.htm"));
    QTest::keyClick(table(), Qt::Key_Return);
    QCOMPARE(m_services.opened, QStringList{report + QStringLiteral("#3")});
    part<QPushButton>(QStringLiteral("openForm"))->click();
    QCOMPARE(m_services.opened.size(), 2);

    // A report changed since the search is said, not shown wrongly.
    QFile file(report);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<HTML>\r\n");
    file.close();
    table()->selectRow(1);
    QVERIFY(formView->toPlainText().contains(QStringLiteral("has changed since the search")));
}

void tst_Results::chosenRowsAreOutlinedOnTheMap() {
    search(kForms, QStringLiteral("a"));
    openResults();
    kemsqa* map = kemsqa::open(m_window->findChild<QLineEdit*>(QStringLiteral("Answer_2")));
    QVERIFY(QTest::qWaitForWindowExposed(map));
    QWidget* area = map->findChild<QWidget*>(QStringLiteral("mapArea"));
    QCOMPARE(kemsqa::outlined(), (std::vector<int>{183, 184})); // the first row is chosen at first
    table()->clearSelection();
    QCOMPARE(kemsqa::outlined(), std::vector<int>{});
    const QImage before = area->grab().toImage();
    table()->selectRow(0);
    QCOMPARE(kemsqa::outlined(), (std::vector<int>{183, 184}));
    table()->selectionModel()->select(table()->model()->index(1, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QCOMPARE(kemsqa::outlined(), (std::vector<int>{74, 183, 184}));
    QVERIFY(area->grab().toImage() != before); // drawn on the open map
    table()->clearSelection();
    QCOMPARE(kemsqa::outlined(), std::vector<int>{});
    const QImage after = area->grab().toImage();
    QCOMPARE(after.size(), before.size());
    QCOMPARE(after, before);
}

void tst_Results::exportsReadBack_data() {
    QTest::addColumn<int>("scope");
    QTest::addColumn<QStringList>("selections");
    QTest::newRow("all") << 0 << QStringList{"1", "2", "3", "4"};
    QTest::newRow("shown") << 1 << QStringList{"3", "4"};
    QTest::newRow("selected") << 2 << QStringList{"2", "1"};
}

// CSV of all forms, of the rows the filter shows (in their sorted order) and of the chosen rows.
void tst_Results::exportsReadBack() {
    QFETCH(int, scope);
    QFETCH(QStringList, selections);
    search(kForms, QStringLiteral("a"));
    openResults();
    table()->sortByColumn(kStart, Qt::AscendingOrder);                                        // 2 3 1 4
    if (scope == 1) part<QLineEdit>(QStringLiteral("filter"))->setText(QStringLiteral("cE")); // France, Celtic
    if (scope == 2) {
        table()->selectRow(0);
        table()->selectionModel()->select(table()->model()->index(2, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    part<QComboBox>(QStringLiteral("scope"))->setCurrentIndex(scope);
    m_services.nextExport = m_dir->filePath(QStringLiteral("chosen.csv"));
    part<QPushButton>(QStringLiteral("export"))->click();
    QCOMPARE(m_services.messages, QStringList());
    QCOMPARE(m_services.suggestions, QStringList{m_dir->filePath(QStringLiteral("selected-forms.csv"))});
    const QString script =
        QStringLiteral("import csv, sys\n"
                       "rows = list(csv.DictReader(open(sys.argv[1], newline='', encoding='utf-8')))\n"
                       "print(' '.join(r['selection'] for r in rows))\n"
                       "print(' '.join(r['ship'] for r in rows if r['selection'] == '3'))\n");
    const QStringList lines = runPython(script, {m_services.nextExport}).split(QLatin1Char('\n'));
    QCOMPARE(lines.value(0), selections.join(QLatin1Char(' ')));
    if (selections.contains(QStringLiteral("3"))) QCOMPARE(lines.value(1), QStringLiteral("\u00c9l\u00e9gante"));
}

void tst_Results::geoJsonExportReadByOgrinfo() {
    const QString ogrinfo = QStandardPaths::findExecutable(QStringLiteral("ogrinfo"));
    if (ogrinfo.isEmpty()) QSKIP("ogrinfo (gdal-bin) is not installed");
    search(kForms, QStringLiteral("a"));
    action(QStringLiteral("mnuresults2"))->trigger(); // every form, without the window
    QCOMPARE(m_services.messages, QStringList());     // no file named yet: cancelled
    m_services.nextExport = m_dir->filePath(QStringLiteral("result.geojson"));
    action(QStringLiteral("mnuresults2"))->trigger();
    QCOMPARE(m_services.messages, QStringList());
    const auto summary = [&](const QString& path) {
        QProcess info;
        info.start(ogrinfo, {QStringLiteral("-ro"), QStringLiteral("-al"), QStringLiteral("-so"), path});
        return info.waitForFinished(-1) && info.exitCode() == 0 ? QString::fromUtf8(info.readAllStandardOutput())
                                                                : QString();
    };
    // A feature per form, and beside it one per square: 183, 184, 074, 217 and 218.
    const QString forms = summary(m_services.nextExport);
    QVERIFY2(forms.contains(QStringLiteral("Feature Count: 4")), qPrintable(forms));
    QVERIFY2(forms.contains(QStringLiteral("start_date: Date")), qPrintable(forms));
    const QString squares = summary(m_dir->filePath(QStringLiteral("result.squares.geojson")));
    QVERIFY2(squares.contains(QStringLiteral("Feature Count: 5")), qPrintable(squares));
}

void tst_Results::failedExportIsShownAndLeavesNoFile() {
    search(kForms, QStringLiteral("a"));
    openResults();
    const QString folder = m_dir->filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkdir(folder));
    // A folder nobody may write in; the superuser may write anywhere, so a file stands where
    // the folder of the export should be.
    QString target = folder + QStringLiteral("/out.jsonl");
    if (::geteuid() == 0) {
        QFile blocker(folder + QStringLiteral("/file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        target = blocker.fileName() + QStringLiteral("/out.jsonl");
    } else {
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    }
    m_services.nextExport = target;
    QVERIFY(!m_window->resultsWindow()->exportForms(app::ResultsWindow::Scope::All));
    QCOMPARE(m_services.messages.size(), 1);
    QVERIFY2(m_services.messages.front().startsWith(QStringLiteral("The export was not written.")),
             qPrintable(m_services.messages.front()));
    QVERIFY2(m_services.messages.front().contains(target), qPrintable(m_services.messages.front()));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
             ::geteuid() == 0 ? QStringList{"file"} : QStringList());

    // A name without a format's extension is refused before any file is made.
    m_services.messages.clear();
    m_services.nextExport = m_dir->filePath(QStringLiteral("result.txt"));
    QVERIFY(!m_window->resultsWindow()->exportForms(app::ResultsWindow::Scope::All));
    QVERIFY(m_services.messages.value(0).contains(QStringLiteral(".csv, .jsonl, .geojson, .squares.geojson or .svg")));
    QVERIFY(!QFile::exists(m_services.nextExport));

    // The reports of the search are not an export's to replace.
    m_services.messages.clear();
    m_services.nextExport = m_dir->filePath(QStringLiteral("KER1995.INF"));
    QVERIFY(!m_window->resultsWindow()->exportForms(app::ResultsWindow::Scope::All));
    m_services.nextExport = m_dir->filePath(QStringLiteral("kerforms.htm.csv"));
    QFile::link(m_dir->filePath(QStringLiteral("kerforms.htm")), m_services.nextExport);
    QVERIFY(!m_window->resultsWindow()->exportForms(app::ResultsWindow::Scope::All));
    QCOMPARE(m_services.messages.size(), 2);
    QVERIFY(m_services.messages.back().contains(QStringLiteral("which this search writes")));

    // The forms are read back from the extraction file: edited since the search, it is not
    // trusted. Renamed away, it still is.
    m_services.messages.clear();
    const QString extraction = m_dir->filePath(QStringLiteral("kerxxxx.inf"));
    QVERIFY(QFile::rename(extraction, m_dir->filePath(QStringLiteral("moved.inf"))));
    m_services.nextExport = m_dir->filePath(QStringLiteral("moved.csv"));
    QVERIFY(m_window->resultsWindow()->exportForms(app::ResultsWindow::Scope::All));
    QFile edited(m_dir->filePath(QStringLiteral("moved.inf")));
    QVERIFY(edited.open(QIODevice::ReadWrite));
    QVERIFY(edited.seek(edited.size()));
    QCOMPARE(edited.write("more\r\n"), qint64(6));
    edited.close();
    m_services.nextExport = m_dir->filePath(QStringLiteral("edited.csv"));
    QVERIFY(!m_window->resultsWindow()->exportForms(app::ResultsWindow::Scope::All));
    QCOMPARE(m_services.messages.size(), 1);
    QVERIFY2(m_services.messages.front().contains(extraction + QStringLiteral(" has changed since the search")),
             qPrintable(m_services.messages.front()));
    QVERIFY(!QFile::exists(m_services.nextExport));
}

void tst_Results::keyboardAndNames() {
    search(kForms, QStringLiteral("a"));
    openResults();
    app::ResultsWindow* window = m_window->resultsWindow();
    window->activateWindow();
    auto* filter = part<QLineEdit>(QStringLiteral("filter"));
    filter->setFocus();
    QStringList order;
    for (int i = 0; i < 6; ++i) {
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus);
        order << focus->objectName();
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    QCOMPARE(order, (QStringList{"filter", "table", "form", "openForm", "scope", "export"}));
    for (const char* name : {"filter", "table", "form", "scope"})
        QVERIFY2(!part<QWidget>(QString::fromLatin1(name))->accessibleName().isEmpty(), name);
    QCOMPARE(window->accessibleName(), QStringLiteral("Selected Forms"));
}

void tst_Results::closingTheMainWindowClosesIt() {
    search(kForms, QStringLiteral("a"));
    openResults();
    QPointer<app::ResultsWindow> window = m_window->resultsWindow();
    m_window->close();
    QTRY_VERIFY(!window || !window->isVisible());
}

// Openers drop an anchor after a file name; the page handed to the browser carries it.
void tst_Results::browserIsForwardedToTheFormsAnchor() {
    const QByteArray page = forwardingPage(QStringLiteral("/data/cruise #5/kerforms.htm"), QStringLiteral("12"));
    const QByteArray url = "file:///data/cruise%20%235/kerforms.htm#12";
    QVERIFY2(page.contains("<meta http-equiv=\"refresh\" content=\"0; url=" + url + "\">"), page.constData());
    QVERIFY(page.contains("<a href=\"" + url + "\">Form 12</a>"));
}

// morvex FILE... (the desktop entry's %F) chooses the files as the file dialog would.
void tst_Results::filesGivenToTheProgramAreChosen() {
    const QString form = m_dir->filePath(QStringLiteral("KER1996.INF"));
    m_window->chooseFiles({form});
    QCOMPARE(m_window->fileSelection().files, std::vector<std::string>{form.toStdString()});
    QCOMPARE(m_window->fileSelection().yearsLabel, std::string("1996"));
    QCOMPARE(m_services.messages, QStringList());
    m_window->chooseFiles({m_dir->filePath(QStringLiteral("notes.txt"))});
    QCOMPARE(m_services.messages.size(), 1); // as the dialog's choice of a name that is no form file
    QVERIFY(m_window->fileSelection().files.empty());
}

QTEST_MAIN(tst_Results)
#include "tst_results.moc"
