// Drives the main window like a user: menus, criteria fields, pick lists, pop-up texts, search runs.
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QtTest/qtestmouse.h>
#include <QTimer>
#include <QWindow>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cmath>
#include <memory>

#include "app/accesskeymenubar.h"
#include "app/morvex.h"
#include "geo/framedplacement.h"
#include "geo/kemsqa.h"
#include "tests/gui/fakeservices.h"

namespace {

// One CSR form: ten header lines, two observation lines and the terminator line.
QByteArray csrForm(int number, const char* country, const char* observations = "H09^12^a^^^12 at ULMA") {
    const QByteArray n = QByteArray::number(number);
    QByteArray form;
    for (const QByteArray& line :
         {"1994^74^" + n + "^^2^WOCE", QByteArray(country), QByteArray("183^184^IHB01a"), QByteArray("NERC"),
          QByteArray("12^03^30^04^Southampton - Reykjavik"), "   Cruise " + n + "^heat budget",
          QByteArray("Challenger"), QByteArray("J Smith"), QByteArray("A Jones"), QByteArray(""),
          QByteArray(observations), QByteArray("H10^5^a")})
        form += line + "\r\n";
    return form + "*\r\n";
}

// Presses and releases the left button on widget at pos as the window system reports it, at the
// given event times in milliseconds: presses close enough in time become a double click, as
// they do for a user, without the test waiting.
void pressesAt(QWidget* widget, QPoint pos, std::initializer_list<int> times) {
    QWindow* window = widget->window()->windowHandle();
    const QPointF local = window->mapFromGlobal(QPointF(widget->mapToGlobal(pos)));
    const QPointF global = widget->mapToGlobal(QPointF(pos));
    static int clock = 1000000; // after every time QTest has used
    for (int time : times) {
        qt_handleMouseEvent(window, local, global, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress,
                            Qt::NoModifier, clock + time);
        qt_handleMouseEvent(window, local, global, Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease,
                            Qt::NoModifier, clock + time + 10);
        QCoreApplication::processEvents();
    }
    clock += 100000;
}

// A menu caption as the menu bar shows it: "&" marks the access key, "&&" shows one "&".
QString shownCaption(const QString& text) {
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size()) ++i;
        shown += text[i];
    }
    return shown;
}

const char* const kHelpNote = "\nNote: Multiple Entries can only be linked by < OR >"
                              "\nTo display all current selections made move mouse to the '?'";

} // namespace

class tst_Morvex : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void startUpShowsOnlyTheInfoSign();
    void startUpMenuTree();
    void startUpControls();
    void startUpPickLists();
    void startUpGeometry();
    void windowsArePlacedByTheirFrames();
    void noTextIsCut();
    void summaryLiesOverEveryControl();
    void captionsTakeTheRoomTheirTextNeeds();

    void chooseCriterion_data();
    void chooseCriterion();
    void criteriaWithoutPickMenuHideThePrevious();
    void checkMarksFollowTheFieldsWhenTheMenuOpens();
    void dataHeldItemsExcludeEachOther();
    void fieldHelp_data();
    void fieldHelp();
    void bareWindowHidesThePopUps();
    void summary_data();
    void summary();
    void summaryKeepsYearsAfterCancelledChoice();
    void optionBoxShownAndHidden();
    void infoBoxesLeaveWithThePointerThatJumps();
    void clearAllCriteria();

    void pickListOpens_data();
    void pickListOpens();
    void escapeWithoutMarksLeavesField();
    void escapeAccumulates();
    void escapeAppendsToTypedText();
    void ihbCodesKeepTheirBlank();
    void otherKeysLeaveTheFields();
    void parameterFieldRebuiltFromAllLists();
    void parameterEscapeWithoutMarksEmptiesField();
    void groupItemLeavesJgofsListOpen();
    void quickSecondPressUnmarksTheRow();
    void fieldAfterPickListTakesNextKeyAtItsEnd();
    void sharedAccessKeyMovesTheHighlight();
    void singleAccessKeyRunsItsEntry();
    void sharedAccessKeyHighlightIsDrawn_data();
    void sharedAccessKeyHighlightIsDrawn();
    void menuOfSharedLetterOpensAtItsFirstItem();
    void pickListOpenedByItsAccessKeyTakesTheKeyboard();

    void searchWithoutFiles();
    void badFileName();
    void fieldOutsideWindows1252Refused();
    void windows1252LettersFindTheirBytes();
    void declinedQuestion();
    void folderInUseRefusesTheSearch();
    void fullSearch();
    void searchWithoutSelectedForms();
    void viewButtons();
    void viewButtonsByKeyboard();
    void tabLeavesTheProgressBoxForTheViewButtons();
    void progressBoxShowsItHasTheKeyboard();
    void pickListEscapeShowsNoHelp();
    void progressBoxDoubleClickHides();
    void breakDuringRun();
    void messageDuringRunShowsTheCountsSoFar();
    void endDuringRun();

    void northAtlanticFillsTheAreaField();
    void mapShadesTheLastResult();
    void realFileDialogFiltersAnyLetterCase();
    void fileDialogOpensInTheFolderOfTheLastChoice();
    void realQuestionBoxHasYesAndNo();

private:
    template <typename T> T* child(const QString& name) const {
        T* widget = m_window->findChild<T*>(name);
        if (!widget) qFatal("no child %s", qPrintable(name));
        return widget;
    }
    QAction* action(const QString& name) const { return child<QAction>(name); }
    QLineEdit* answer(int i) const { return child<QLineEdit>(QStringLiteral("Answer_%1").arg(i)); }
    QListWidget* list(const QString& name) const { return child<QListWidget>(name); }
    QWidget* central() const { return m_window->centralWidget(); }
    void moveTo(QWidget* widget, QPoint pos = QPoint());
    void moveOverBareWindow();
    void clickMenuBar(QAction* entry);
    void mark(QListWidget* list, int row);
    void writeFormFile(const QString& name, const QByteArray& content);
    void chooseFiles(const QStringList& names);
    void searchSelectingOneForm();
    QStringList cutLabels() const;
    QString progressText() const { return child<QPlainTextEdit>(QStringLiteral("Selection"))->toPlainText(); }

    FakeServices m_services;
    std::unique_ptr<Morvex> m_window;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_Morvex::initTestCase() {
    QGuiApplication::setQuitOnLastWindowClosed(false);
}

void tst_Morvex::init() {
    m_services = FakeServices();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_window = std::make_unique<Morvex>(WindowServices{&m_services, &m_services, &m_services});
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void tst_Morvex::cleanup() {
    kemsqa::setLastResult({}); // the map keeps the last result for the whole program
    m_window.reset();
    m_dir.reset();
    if (kemsqa* map = kemsqa::instance()) map->close();
    const auto visibleWindows = [] {
        QStringList names;
        for (const QWidget* widget : QApplication::topLevelWidgets())
            if (widget->isVisible()) names << QString::fromLatin1(widget->metaObject()->className());
        return names;
    };
    QTRY_COMPARE(visibleWindows(), QStringList());
}

void tst_Morvex::moveTo(QWidget* widget, QPoint pos) {
    // The pointer moves through QCursor; step aside first so that each move is a real movement.
    const QPoint target = pos.isNull() ? widget->rect().center() : pos;
    QTest::mouseMove(widget, target + QPoint(1, 1));
    QTest::mouseMove(widget, target);
}

void tst_Morvex::moveOverBareWindow() {
    const QPoint corner(central()->width() - 5, central()->height() - 5);
    QVERIFY(!central()->childAt(corner));
    moveTo(central(), corner);
}

void tst_Morvex::clickMenuBar(QAction* entry) {
    QMenuBar* bar = m_window->menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(entry).center());
}

void tst_Morvex::mark(QListWidget* rows, int row) {
    QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, rows->visualItemRect(rows->item(row)).center());
}

void tst_Morvex::writeFormFile(const QString& name, const QByteArray& content) {
    QFile file(m_dir->filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

void tst_Morvex::chooseFiles(const QStringList& names) {
    m_services.nextFiles.clear();
    for (const QString& name : names)
        m_services.nextFiles << m_dir->filePath(name);
    action(QStringLiteral("MnuFile"))->trigger();
}

// A run over one form that the project criterion selects: the progress box and the view buttons shown.
void tst_Morvex::searchSelectingOneForm() {
    writeFormFile(QStringLiteral("KER1996.INF"), csrForm(1, "UK"));
    chooseFiles({QStringLiteral("KER1996.INF")});
    answer(0)->setText(QStringLiteral("woce"));
    action(QStringLiteral("Mnusearch"))->trigger();
    QVERIFY(child<QLabel>(QStringLiteral("labker1"))->isVisible());
}

// The shown labels whose text is not seen whole: cut by their own edges or by the window's, or
// shortened with an ellipsis and no tooltip that holds the whole.
QStringList tst_Morvex::cutLabels() const {
    QStringList cut;
    for (const QLabel* label : central()->findChildren<QLabel*>()) {
        if (!label->isVisible()) continue;
        const QSize size = label->size();
        const bool fits = label->wordWrap() ? label->minimumSizeHint().width() <= size.width() &&
                                                  label->heightForWidth(size.width()) <= size.height()
                                            : label->sizeHint().width() <= size.width() &&
                                                  label->sizeHint().height() <= size.height();
        const bool shortened = label->text().contains(QChar(0x2026)) && label->toolTip().isEmpty();
        if (!fits || shortened || !central()->rect().contains(label->geometry())) cut << label->objectName();
    }
    return cut;
}

// Start-up.

void tst_Morvex::startUpShowsOnlyTheInfoSign() {
    QCOMPARE(m_window->windowTitle(), QStringLiteral("KERVOS Search"));
    QStringList shown;
    for (QWidget* widget : central()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (widget->isVisible()) shown << widget->objectName();
    QCOMPARE(shown, QStringList{QStringLiteral("labinfo")});
    QCOMPARE(child<QLabel>(QStringLiteral("labinfo"))->text(), QStringLiteral("?"));
}

void tst_Morvex::startUpMenuTree() {
    QStringList bar;
    for (QAction* entry : m_window->menuBar()->actions())
        if (entry->isVisible()) bar << entry->objectName() + QLatin1Char('=') + entry->text();
    QCOMPARE(bar, (QStringList{"MnuFile=Kervos_&File", "MnuSelect=&Search Criteria", "Mnusearch=S&earch",
                               "Mnubreak=&Break", "MnuImport=&Import", "MnuResults=&Results", "Mnuend=&End"}));
    QVERIFY(action(QStringLiteral("MnuFile"))->isEnabled());
    QVERIFY(action(QStringLiteral("Mnusearch"))->isEnabled());
    QVERIFY(!action(QStringLiteral("Mnubreak"))->isEnabled());
    QVERIFY(action(QStringLiteral("Mnuend"))->isEnabled());

    const QStringList items = {"Project Name",       "Country",         "Area",
                               "Operating Agency",   "Month",           "Cruise Name",
                               "Ship/Platform Name", "Chief Scientist", "Queries Contact",
                               "Observation Type"};
    const QList<QAction*> criteria = child<QMenu>(QStringLiteral("MnuSelect"))->actions();
    QCOMPARE(criteria.size(), 18);
    for (int i = 0; i < 10; ++i) {
        QCOMPARE(criteria[i]->objectName(), QStringLiteral("mnusel_%1").arg(i));
        QCOMPARE(criteria[i]->text(), items[i]);
        QVERIFY(!criteria[i]->isChecked());
    }
    QVERIFY(criteria[10]->isSeparator());
    QCOMPARE(criteria[11]->text(), QStringLiteral("Only cruises with data at ULMA"));
    QCOMPARE(criteria[12]->text(), QStringLiteral("Only cruises with NO data at ULMA"));
    QVERIFY(!criteria[11]->isChecked() && !criteria[12]->isChecked());
    QCOMPARE(criteria[13]->text(), QStringLiteral("Cruise &Dates..."));
    QCOMPARE(criteria[14]->text(), QStringLiteral("&Box of Longitude and Latitude..."));
    QCOMPARE(criteria[15]->text(), QStringLiteral("Marsden Squares by &Number..."));
    QVERIFY(criteria[16]->isSeparator());
    QCOMPARE(criteria[17]->text(), QStringLiteral("Clear All Criteria"));

    // Captions as shown, with the access key each one gives.
    const QStringList pickMenus = {"Projects P",           "Country U", "Areas (MSQ & IHB) A",
                                   "Operating Agency O",   "Month M",   "",
                                   "Ship/Platform Name S", "",          "",
                                   "Parameter Codes P"};
    for (int i = 0; i < 10; ++i) {
        QAction* pick = m_window->findChild<QAction*>(QStringLiteral("mnupars_%1").arg(i));
        if (pickMenus[i].isEmpty()) {
            QVERIFY(!pick);
            continue;
        }
        QVERIFY(pick);
        const QString key = QKeySequence::mnemonic(pick->text()).toString().remove(QStringLiteral("Alt+"));
        QCOMPARE(shownCaption(pick->text()) + QLatin1Char(' ') + key, pickMenus[i]);
        QVERIFY(!pick->isVisible());
    }
    QCOMPARE(action(QStringLiteral("mnul3"))->text(), QStringLiteral("IHB Areas"));
    QCOMPARE(action(QStringLiteral("mnumars"))->text(), QStringLiteral("Marsden Squares"));
    QCOMPARE(action(QStringLiteral("mnumars1"))->text(), QStringLiteral("North Atlantic"));
    QCOMPARE(child<QMenu>(QStringLiteral("mnumars"))->actions(),
             (QList<QAction*>{action(QStringLiteral("mnumars1")), action(QStringLiteral("mnumars2"))}));
    QCOMPARE(action(QStringLiteral("mnumars2"))->text(), QStringLiteral("World"));

    const QStringList groups = {"&Meteorlogy/Physical Oceanography", "&Chemical Oceanography/Pollution",
                                "&Biological Oceanography/Fisheries", "&Geology/Geophysics",
                                "&JGOFS/BODC Parameter Codes"};
    const QList<QAction*> codes = child<QMenu>(QStringLiteral("mnupars_9"))->actions();
    QCOMPARE(codes.size(), 5);
    for (int g = 0; g < 5; ++g) {
        QCOMPARE(codes[g]->objectName(), QStringLiteral("mnul9_%1").arg(g));
        QCOMPARE(codes[g]->text(), groups[g]);
    }
    const QStringList jgofs = {"H16 &Transparency",
                               "H17 &Optics",
                               "H22 &Phosphate",
                               "H30 &Trace Elements",
                               "H32 &Isotopes",
                               "H33 &Other Dissolved Gases",
                               "H73 &Geochemical Tracers",
                               "H74 &Carbon Dioxide",
                               "H76 &Ammonia",
                               "H90 &Other Chemical Oceanography",
                               "B01 &Primary Productivity",
                               "B02 Ph&ytoplankton  Pigments",
                               "B06 &Dissolved Organic Matter (eg DOC)",
                               "B71 Particulate Organic Matter"};
    const QList<QAction*> items9a = child<QMenu>(QStringLiteral("mnul9_4"))->actions();
    QCOMPARE(items9a.size(), 14);
    for (int k = 0; k < 14; ++k) {
        QCOMPARE(items9a[k]->objectName(), QStringLiteral("mnul9a_%1").arg(k));
        QCOMPARE(items9a[k]->text(), jgofs[k]);
    }
}

void tst_Morvex::startUpControls() {
    const QStringList labels = {"Project Name(s)",
                                "Country",
                                "Area (Marsden square(s), IHB areas",
                                "Operating Agency",
                                "Month(s)",
                                "Cruise Name(s)",
                                "Ship/Platform Names",
                                "Chief Scientist(s)",
                                "Scientist's name(s) for queries",
                                "Parameter Codes etc"};
    for (int i = 0; i < 10; ++i) {
        QLabel* label = child<QLabel>(QStringLiteral("labsel_%1").arg(i));
        QCOMPARE(label->text(), labels[i]);
        QCOMPARE(label->font().bold(), i == 1);
        QVERIFY(answer(i)->text().isEmpty());
    }
    QCOMPARE(child<QLabel>(QStringLiteral("labesc"))->text(),
             QStringLiteral(
                 "When finished making selections please press <ESC> to procede\n"
                 "(If you do not wish to make any selection then click twice in box (select/deselect)"));
    QCOMPARE(child<QLabel>(QStringLiteral("labtitle"))->text(),
             QStringLiteral("Morvex for Windows - Report production from KERVOS database\nULMA\n"
                            "kervos@ulma.example.org\n"
                            "Refresh database from: <http://www.ulma.example.org/ocean/kervos>"));
    QCOMPARE(child<QLabel>(QStringLiteral("labker1"))->text(), QStringLiteral("View Headers in Browser"));
    QCOMPARE(child<QLabel>(QStringLiteral("labker2"))->text(), QStringLiteral("View Forms in Browser"));
    QCOMPARE(child<QLabel>(QStringLiteral("labker3"))->text(),
             QStringLiteral("View CSV Summary File in Editor"));
    QVERIFY(child<QLineEdit>(QStringLiteral("brontel"))->text().isEmpty());
    QVERIFY(child<QPlainTextEdit>(QStringLiteral("Selection"))->toPlainText().isEmpty());
    // Captions with "<" are shown as typed, not as markup.
    QCOMPARE(child<QLabel>(QStringLiteral("labtitle"))->textFormat(), Qt::PlainText);
}

void tst_Morvex::startUpPickLists() {
    const struct {
        const char* name;
        int rows;
        const char* heading;
        const char* row2;
    } lists[] = {
        {"L0", 23, "Some Projects in ULMA Kervos Database", "WOCE"},
        {"L1", 28, "Some Countries in ULMA Kervos Database", "Angola"},
        {"l2", 114, "IHB               Description of Area", "01  Baltic Sea"},
        {"l3", 28, "Some Operating Agencies in ULMA Kervos Database", "Ministry of Public Health"},
        {"L4", 14, "Months", "Jan"},
        {"L6", 21, "Some Ships in ULMA Kervos Database", "Franklin"},
    };
    for (const auto& expected : lists) {
        QListWidget* rows = list(QString::fromLatin1(expected.name));
        QCOMPARE(rows->count(), expected.rows);
        QCOMPARE(rows->item(0)->text(), QString::fromLatin1(expected.heading));
        QCOMPARE(rows->item(1)->text(), QString());
        QCOMPARE(rows->item(2)->text(), QString::fromLatin1(expected.row2));
        QCOMPARE(rows->selectionMode(), QAbstractItemView::MultiSelection);
    }
    QCOMPARE(list(QStringLiteral("L4"))->item(13)->text(), QStringLiteral("Dec"));
    QCOMPARE(list(QStringLiteral("l3"))->item(25)->text(), QStringLiteral("MAFF OR CEFAS"));

    // The code lists start with a code at row 0: no heading, no empty row.
    int codes = 0;
    for (int k = 0; k < 18; ++k) {
        QListWidget* rows = list(QStringLiteral("L9_%1").arg(k));
        QVERIFY(rows->count() > 0);
        QVERIFY(!rows->item(0)->text().isEmpty());
        codes += rows->count();
    }
    QCOMPARE(list(QStringLiteral("L9_0"))->item(0)->text(), QStringLiteral("M01 Upper air observations"));
    QVERIFY(codes >= 91);
}

void tst_Morvex::startUpGeometry() {
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const auto near = [](double actual, double expected) { return std::abs(actual - expected) <= 2.0; };
    const double sw = screen.width();
    const double sh = screen.height();
    const QRect outer = m_window->frameGeometry(); // title bar and borders included
    QVERIFY2(near(outer.width(), 0.75 * sw), qPrintable(QString::number(outer.width())));
    QVERIFY(near(outer.height(), 0.75 * sh));
    QVERIFY(near(m_window->x(), sw / 8));
    QVERIFY(near(m_window->y(), sh / 8));

    const QRect field = answer(0)->geometry();
    QVERIFY(near(field.x(), 0.1875 * sw));
    QVERIFY(near(field.y(), 0.05 * m_window->height()));
    QVERIFY(near(field.width(), 0.3 * m_window->width()));
    for (int i = 1; i < 10; ++i) {
        QCOMPARE(answer(i)->geometry(), field);
        QCOMPARE(child<QLabel>(QStringLiteral("labsel_%1").arg(i))->pos(), child<QLabel>("labsel_0")->pos());
    }
    QVERIFY(near(child<QLabel>(QStringLiteral("labinfo"))->x(), 0.6875 * sw));
    QVERIFY(near(child<QLabel>(QStringLiteral("labker1"))->x(), 0.95 * 0.625 * sw));
    QVERIFY(near(child<QLabel>(QStringLiteral("labker2"))->y(), 0.5 * m_window->height()));
    QVERIFY(near(child<QPlainTextEdit>(QStringLiteral("Selection"))->width(), 0.5 * m_window->width()));
    QVERIFY(near(list(QStringLiteral("L0"))->x(), 0.25 * 0.625 * sw));
    QVERIFY(near(list(QStringLiteral("L4"))->width(), 0.1 * m_window->width()));
    QCOMPARE(list(QStringLiteral("L9_17"))->geometry(), list(QStringLiteral("L9_0"))->geometry());

    // Resizing moves nothing.
    m_window->resize(m_window->width() / 2, m_window->height() / 2);
    QCOMPARE(answer(0)->geometry(), field);
}

// The main window takes three quarters of the screen and the map window four fifths, each
// centred, measured by their frames. The offscreen platform frames a window as it is created;
// an X11 window manager frames it only after it is shown, which the last window stands for:
// created without a frame, given one before it is shown.
void tst_Morvex::windowsArePlacedByTheirFrames() {
    // Part of the screen, centred, to a pixel either way.
    const auto centred = [](const QWidget* window, double part) {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QSize size(qRound(part * screen.width()), qRound(part * screen.height()));
        const QRect expected(screen.topLeft() +
                                 QPoint(screen.width() - size.width(), screen.height() - size.height()) / 2,
                             size);
        const QMargins pixel(1, 1, 1, 1);
        return (expected + pixel).contains(window->frameGeometry()) &&
               (window->frameGeometry() + pixel).contains(expected);
    };
    QVERIFY(m_window->frameGeometry() != m_window->geometry());
    QVERIFY(centred(m_window.get(), 0.75));
    action(QStringLiteral("mnumars1"))->trigger();
    QVERIFY(kemsqa::instance() && QTest::qWaitForWindowExposed(kemsqa::instance()));
    QVERIFY(centred(kemsqa::instance(), 0.8));

    QWidget late;
    late.setWindowFlag(Qt::FramelessWindowHint);
    late.winId();
    geo::placeFramed(&late, QRect(100, 50, 300, 200));
    late.setWindowFlag(Qt::FramelessWindowHint, false);
    late.show();
    QVERIFY(QTest::qWaitForWindowExposed(&late));
    QVERIFY(late.frameGeometry() != late.geometry());
    QCOMPARE(late.frameGeometry(), QRect(100, 50, 300, 200));
}

// Each text is seen whole on this screen: the view buttons, the help box, the Escape prompt, the
// title and summary boxes, shown together; the prompt keeps above the summary box.
void tst_Morvex::noTextIsCut() {
    searchSelectingOneForm();
    action(QStringLiteral("mnusel_0"))->trigger();
    action(QStringLiteral("mnupars_0"))->trigger();
    moveTo(child<QLabel>(QStringLiteral("labker3")));
    moveTo(child<QLabel>(QStringLiteral("labinfo")));
    auto* prompt = child<QLabel>(QStringLiteral("labesc"));
    auto* summary = child<QLabel>(QStringLiteral("labselection"));
    QVERIFY(prompt->isVisible() && summary->isVisible() &&
            child<QLabel>(QStringLiteral("Labans"))->isVisible());
    const QStringList cut = cutLabels();
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char(' '))));
    // Above the summary box where its text fits there; at twice the scale it goes on under it.
    if (m_window->devicePixelRatio() == 1) QVERIFY(prompt->geometry().bottom() < summary->y());
}

// Whether no control but above covers any point of control's own rectangle.
static bool uncovered(QWidget* central, QWidget* control, const QWidget* above = nullptr) {
    const QRect r = control->geometry();
    for (int y = r.top(); y <= r.bottom(); y += 3)
        for (int x = r.left(); x <= r.right(); x += 3) {
            QWidget* at = central->childAt(QPoint(x, y));
            if (at != control && at != above && !control->isAncestorOf(at)) return false;
        }
    return true;
}

// After a search with all ten criteria, the summary and title boxes lie over the progress box,
// the view buttons and an open pick list, all of their text seen.
void tst_Morvex::summaryLiesOverEveryControl() {
    writeFormFile(QStringLiteral("KER1996.INF"), csrForm(1, "UK"));
    chooseFiles({QStringLiteral("KER1996.INF")});
    const QStringList texts = {"woce OR jgofs",
                               "UK OR spain",
                               "^183 OR IHB01a",
                               "NERC",
                               "jan OR feb OR mar OR "
                               "apr OR may OR jun OR jul OR aug OR sep",
                               "cruise",
                               "challenger OR discovery",
                               "smith",
                               "jones",
                               "H09 OR H10"};
    for (int i = 0; i < 10; ++i)
        answer(i)->setText(texts[i]);
    action(QStringLiteral("Mnusearch"))->trigger();
    QVERIFY(child<QPlainTextEdit>(QStringLiteral("Selection"))->isVisible());
    action(QStringLiteral("mnul9_0"))->trigger(); // the largest list, over the middle of the window
    moveTo(child<QLabel>(QStringLiteral("labinfo")));
    auto* summary = child<QLabel>(QStringLiteral("labselection"));
    auto* title = child<QLabel>(QStringLiteral("labtitle"));
    QVERIFY(summary->isVisible() && title->isVisible());
    QVERIFY(summary->text().contains(QLatin1String("(AND) 10: H09 OR H10")));
    QVERIFY(summary->toolTip().isEmpty()); // not shortened
    QVERIFY(uncovered(central(), summary));
    QVERIFY(uncovered(central(), title, summary)); // on a small screen the two may meet
}

// The Escape prompt is shown whole, never shortened; each field label's caption stands above
// its field.
void tst_Morvex::captionsTakeTheRoomTheirTextNeeds() {
    action(QStringLiteral("mnupars_0"))->trigger();
    auto* prompt = child<QLabel>(QStringLiteral("labesc"));
    QVERIFY(prompt->isVisible());
    QVERIFY(prompt->toolTip().isEmpty());
    QVERIFY(!prompt->text().contains(QChar(0x2026)));
    QVERIFY(prompt->heightForWidth(prompt->width()) <= prompt->height());
    QVERIFY(central()->rect().contains(prompt->geometry()));
    for (int i = 0; i < 10; ++i) {
        auto* label = child<QLabel>(QStringLiteral("labsel_%1").arg(i));
        // Where the label draws its caption, in the window.
        const QRect drawn = label->style()->itemTextRect(QFontMetrics(label->font()), label->contentsRect(),
                                                         static_cast<int>(label->alignment()), true, label->text());
        QVERIFY2(label->mapToParent(drawn.bottomLeft()).y() < answer(i)->y(), qPrintable(label->text()));
        QVERIFY(label->y() >= 0);
    }
}

// Criteria entry.

void tst_Morvex::chooseCriterion_data() {
    QTest::addColumn<int>("criterion");
    QTest::addColumn<bool>("pickMenu");
    const bool hasMenu[] = {true, true, true, true, true, false, true, false, false, true};
    for (int i = 0; i < 10; ++i)
        QTest::addRow("%d", i) << i << hasMenu[i];
}

void tst_Morvex::chooseCriterion() {
    QFETCH(int, criterion);
    QFETCH(bool, pickMenu);
    answer(3)->setText(QStringLiteral("kept"));
    action(QStringLiteral("mnusel_3"))->trigger();
    action(QStringLiteral("mnusel_%1").arg(criterion))->trigger();
    for (int i = 0; i < 10; ++i) {
        QCOMPARE(answer(i)->isVisible(), i == criterion);
        QCOMPARE(child<QLabel>(QStringLiteral("labsel_%1").arg(i))->isVisible(), i == criterion);
        QAction* pick = m_window->findChild<QAction*>(QStringLiteral("mnupars_%1").arg(i));
        if (pick) QCOMPARE(pick->isVisible(), i == criterion && pickMenu);
    }
    QTRY_COMPARE(QApplication::focusWidget(), answer(criterion));
    QCOMPARE(answer(3)->text(), QStringLiteral("kept"));
}

void tst_Morvex::criteriaWithoutPickMenuHideThePrevious() {
    action(QStringLiteral("mnusel_0"))->trigger();
    QVERIFY(action(QStringLiteral("mnupars_0"))->isVisible());
    action(QStringLiteral("mnusel_7"))->trigger();
    for (QAction* entry : m_window->menuBar()->actions())
        QVERIFY2(!entry->objectName().startsWith(QLatin1String("mnupars")) || !entry->isVisible(),
                 qPrintable(entry->objectName()));
}

void tst_Morvex::checkMarksFollowTheFieldsWhenTheMenuOpens() {
    answer(1)->setText(QStringLiteral(" "));
    answer(6)->setText(QStringLiteral("Challenger"));
    action(QStringLiteral("mnuatulma"))->trigger();
    auto* menu = child<QMenu>(QStringLiteral("MnuSelect"));
    clickMenuBar(menu->menuAction());
    QTRY_VERIFY(menu->isVisible());
    for (int i = 0; i < 10; ++i)
        QCOMPARE(action(QStringLiteral("mnusel_%1").arg(i))->isChecked(), i == 1 || i == 6);
    QVERIFY(action(QStringLiteral("mnuatulma"))->isChecked());
    menu->close();
    QTRY_VERIFY(!menu->isVisible());

    answer(1)->clear();
    Q_EMIT menu->aboutToShow();
    QVERIFY(!action(QStringLiteral("mnusel_1"))->isChecked());
    QVERIFY(action(QStringLiteral("mnusel_6"))->isChecked());
}

void tst_Morvex::dataHeldItemsExcludeEachOther() {
    QAction* at = action(QStringLiteral("mnuatulma"));
    QAction* notAt = action(QStringLiteral("mnunotatulma"));
    at->trigger();
    QVERIFY(at->isChecked() && !notAt->isChecked());
    notAt->trigger();
    QVERIFY(!at->isChecked() && notAt->isChecked());
    notAt->trigger();
    QVERIFY(!at->isChecked() && !notAt->isChecked());
}

void tst_Morvex::fieldHelp_data() {
    QTest::addColumn<int>("criterion");
    QTest::addColumn<QString>("help");
    const char* help[] = {"Enter Project Name(s)or select by clicking on 'Projects' on menu bar.",
                          "Enter Country(s)or select by clicking on 'Country' on menu bar.",
                          "Enter Area(s)or select by clicking on 'Areas' on menu bar.",
                          "Enter Operating Agency(s)or select by clicking on 'Operating Agency' on menu bar.",
                          "Enter Month(s)or select by clicking on 'Month' on menu bar.",
                          "Enter Cruise Name(s)- This field also include keywords from cruise objectives.",
                          "Enter Ship/Platform(s)or select by clicking on 'Ship/Platform Name' on menu bar.",
                          "Enter Chief Scientist(s)name.",
                          "Enter Query Contact(s)- eg a person responsible for the analysis of a data type.",
                          "Enter Parameter code(s)or select by clicking on 'Parameter codes' on menu bar."};
    for (int i = 0; i < 10; ++i)
        QTest::addRow("%d", i) << i << QString::fromLatin1(help[i]) + kHelpNote;
}

void tst_Morvex::fieldHelp() {
    QFETCH(int, criterion);
    QFETCH(QString, help);
    action(QStringLiteral("mnusel_%1").arg(criterion))->trigger();
    auto* box = child<QLabel>(QStringLiteral("Labans"));
    QVERIFY(!box->isVisible());
    moveTo(answer(criterion));
    QTRY_VERIFY(box->isVisible());
    QCOMPARE(box->text(), help);
    // The box grows to the whole text.
    QVERIFY(box->height() >= 3 * box->fontMetrics().height());
    QVERIFY(box->width() >= box->fontMetrics().horizontalAdvance(help.section(QLatin1Char('\n'), 0, 0)));
}

void tst_Morvex::bareWindowHidesThePopUps() {
    action(QStringLiteral("mnusel_0"))->trigger();
    moveTo(answer(0));
    moveTo(child<QLabel>(QStringLiteral("labinfo")));
    auto* help = child<QLabel>(QStringLiteral("Labans"));
    auto* title = child<QLabel>(QStringLiteral("labtitle"));
    auto* summary = child<QLabel>(QStringLiteral("labselection"));
    QTRY_VERIFY(help->isVisible() && title->isVisible() && summary->isVisible());
    // A field label is a control: moving over it hides nothing.
    moveTo(child<QLabel>(QStringLiteral("labsel_0")));
    QVERIFY(help->isVisible() && title->isVisible() && summary->isVisible());
    moveOverBareWindow();
    QTRY_VERIFY(!help->isVisible());
    QVERIFY(!title->isVisible());
    QVERIFY(!summary->isVisible());
}

void tst_Morvex::summary_data() {
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<int>("dataHeld"); // 0 none, 1 at ULMA, 2 not at ULMA
    QTest::addColumn<QString>("summary");
    QTest::newRow("nothing") << QStringList(10) << 0
                             << QStringLiteral("NO <KER????.INF> files have been selected Yet!\n"
                                               "NO search criteria have been chosen!");
    QStringList two(10);
    two[1] = QStringLiteral("UK OR France");
    two[6] = QStringLiteral("Challenger");
    QTest::newRow("two fields and data at ULMA")
        << two << 1
        << QStringLiteral(
               "NO <KER????.INF> files have been selected Yet!\n"
               "The following search criteria have been selected:-\n"
               " 2: UK OR France\n(AND) 7: Challenger\n\nOnly cruises with at least some data at ULMA.");
    QStringList codes(10);
    codes[9] = QStringLiteral("H09");
    QTest::newRow("parameter codes only and no data at ULMA")
        << codes << 2
        << QStringLiteral("NO <KER????.INF> files have been selected Yet!\n"
                          "The following search criteria have been selected:-\n"
                          " 10: H09\n\nOnly cruises with NO data at ULMA.");
    QStringList blank(10);
    blank[0] = QStringLiteral(" ");
    QTest::newRow("a single blank") << blank << 0
                                    << QStringLiteral("NO <KER????.INF> files have been selected Yet!\n"
                                                      "The following search criteria have been selected:-\n"
                                                      " 1:  \n");
}

void tst_Morvex::summary() {
    QFETCH(QStringList, fields);
    QFETCH(int, dataHeld);
    QFETCH(QString, summary);
    for (int i = 0; i < 10; ++i)
        answer(i)->setText(fields[i]);
    if (dataHeld == 1) action(QStringLiteral("mnuatulma"))->trigger();
    if (dataHeld == 2) action(QStringLiteral("mnunotatulma"))->trigger();
    auto* box = child<QLabel>(QStringLiteral("labselection"));
    moveTo(child<QLabel>(QStringLiteral("labinfo")));
    QTRY_VERIFY(box->isVisible());
    QVERIFY(child<QLabel>(QStringLiteral("labtitle"))->isVisible());
    QCOMPARE(box->text(), summary);
}

void tst_Morvex::summaryKeepsYearsAfterCancelledChoice() {
    writeFormFile(QStringLiteral("KER1994.INF"), csrForm(1, "UK"));
    writeFormFile(QStringLiteral("KER1995.INF"), csrForm(2, "UK"));
    chooseFiles({QStringLiteral("KER1994.INF"), QStringLiteral("KER1995.INF")});
    QCOMPARE(m_window->fileSelection().files.size(), std::size_t(2));
    chooseFiles({}); // cancelled
    QCOMPARE(m_services.choices, 2);
    QVERIFY(m_services.messages.isEmpty());
    QVERIFY(m_window->fileSelection().files.empty());
    moveTo(child<QLabel>(QStringLiteral("labinfo")));
    auto* box = child<QLabel>(QStringLiteral("labselection"));
    QTRY_VERIFY(box->isVisible());
    QCOMPARE(box->text(),
             QStringLiteral("Files selected:-\n1994 1995\nNO search criteria have been chosen!"));
}

void tst_Morvex::optionBoxShownAndHidden() {
    auto* option = child<QLineEdit>(QStringLiteral("brontel"));
    QTest::mouseDClick(child<QLabel>(QStringLiteral("labinfo")), Qt::LeftButton);
    QTest::mouseRelease(child<QLabel>(QStringLiteral("labinfo")), Qt::LeftButton);
    QVERIFY(option->isVisible());
    QTest::keyClicks(option, QStringLiteral("H09"));
    QTest::mouseDClick(option, Qt::LeftButton);
    QTest::mouseRelease(option, Qt::LeftButton);
    QVERIFY(!option->isVisible());
    QCOMPARE(option->text(), QStringLiteral("H09"));
    QCOMPARE(m_window->runHost().lineProbe(), std::string("H09"));
}

// A pointer that jumps from the "?" into a field (or onto a view button) takes the title and
// summary boxes with it, as one that crosses the bare window does; the help box comes.
void tst_Morvex::infoBoxesLeaveWithThePointerThatJumps() {
    searchSelectingOneForm();
    action(QStringLiteral("mnusel_1"))->trigger();
    auto* title = child<QLabel>(QStringLiteral("labtitle"));
    auto* summary = child<QLabel>(QStringLiteral("labselection"));
    auto* help = child<QLabel>(QStringLiteral("Labans"));
    for (QWidget* target : {static_cast<QWidget*>(answer(1)), static_cast<QWidget*>(child<QLabel>("labker2"))}) {
        moveTo(child<QLabel>(QStringLiteral("labinfo")));
        QVERIFY(title->isVisible() && summary->isVisible());
        QTest::mouseMove(target, target->rect().center()); // one step, no bare window between
        QVERIFY(!title->isVisible());
        QVERIFY(!summary->isVisible());
        QVERIFY(help->isVisible());
    }
    QCOMPARE(help->text(), QStringLiteral("If you click now you will be able to view Kervos forms from\n"
                                          "your extraction. This file has links from the header file\n"
                                          "Note: This file is written in html!"));
}

// "Clear All Criteria" empties every field, shown or not, and the filters; texts that would be
// lost are asked about first, and No keeps them.
void tst_Morvex::clearAllCriteria() {
    QAction* clear = action(QStringLiteral("mnuclear"));
    answer(1)->setText(QStringLiteral("spain"));
    answer(9)->setText(QStringLiteral(" "));
    action(QStringLiteral("mnuatulma"))->trigger();
    m_services.answer = false;
    clear->trigger();
    QCOMPARE(m_services.questions, QStringList{"Empty all ten criteria fields and the filters? Their texts "
                                               "cannot be had back."});
    QCOMPARE(answer(1)->text(), QStringLiteral("spain"));
    QVERIFY(action(QStringLiteral("mnuatulma"))->isChecked());

    m_services.answer = true;
    clear->trigger();
    for (int i = 0; i < 10; ++i)
        QVERIFY(answer(i)->text().isEmpty());
    QVERIFY(!action(QStringLiteral("mnuatulma"))->isChecked());
    QVERIFY(!action(QStringLiteral("mnunotatulma"))->isChecked());

    // Nothing typed: a filter alone is cleared without a question.
    action(QStringLiteral("mnunotatulma"))->trigger();
    clear->trigger();
    QCOMPARE(m_services.questions.size(), 2);
    QVERIFY(!action(QStringLiteral("mnunotatulma"))->isChecked());
    moveTo(child<QLabel>(QStringLiteral("labinfo")));
    QCOMPARE(child<QLabel>(QStringLiteral("labselection"))->text(),
             QStringLiteral("NO <KER????.INF> files have been selected Yet!\nNO search criteria have been chosen!"));
}

// Pick lists.

void tst_Morvex::pickListOpens_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("list");
    QTest::newRow("projects") << "mnupars_0"
                              << "L0";
    QTest::newRow("country") << "mnupars_1"
                             << "L1";
    QTest::newRow("ihb areas") << "mnul3"
                               << "l2";
    QTest::newRow("agency") << "mnupars_3"
                            << "l3";
    QTest::newRow("month") << "mnupars_4"
                           << "L4";
    QTest::newRow("ship") << "mnupars_6"
                          << "L6";
    QTest::newRow("group 0") << "mnul9_0"
                             << "L9_0";
    QTest::newRow("group 3") << "mnul9_3"
                             << "L9_3";
    QTest::newRow("jgofs 0") << "mnul9a_0"
                             << "L9_4";
    QTest::newRow("jgofs 13") << "mnul9a_13"
                              << "L9_17";
}

void tst_Morvex::pickListOpens() {
    QFETCH(QString, entry);
    QFETCH(QString, list);
    action(QStringLiteral("mnusel_0"))->trigger();
    action(entry)->trigger();
    QListWidget* rows = this->list(list);
    QVERIFY(rows->isVisible());
    QVERIFY(child<QLabel>(QStringLiteral("labesc"))->isVisible());
    QVERIFY(!action(QStringLiteral("MnuSelect"))->isEnabled());
    QVERIFY(rows->hasFocus()); // Escape, which the prompt asks for, works at once

    QTest::keyClick(rows, Qt::Key_Escape);
    QVERIFY(!rows->isVisible());
    QVERIFY(!child<QLabel>(QStringLiteral("labesc"))->isVisible());
    QVERIFY(action(QStringLiteral("MnuSelect"))->isEnabled());
}

void tst_Morvex::escapeWithoutMarksLeavesField() {
    answer(0)->setText(QStringLiteral("typed"));
    action(QStringLiteral("mnupars_0"))->trigger();
    QListWidget* rows = list(QStringLiteral("L0"));
    mark(rows, 0); // the heading and the empty row never give a value
    mark(rows, 1);
    mark(rows, 3);
    mark(rows, 3);
    QTest::keyClick(rows, Qt::Key_Escape);
    QCOMPARE(answer(0)->text(), QStringLiteral("typed"));
    QVERIFY(!rows->isVisible());
}

void tst_Morvex::escapeAccumulates() {
    action(QStringLiteral("mnupars_0"))->trigger();
    QListWidget* rows = list(QStringLiteral("L0"));
    mark(rows, 4); // IYFS
    mark(rows, 2); // WOCE
    QTest::keyClick(rows, Qt::Key_Escape);
    QCOMPARE(answer(0)->text(), QStringLiteral("WOCE OR IYFS"));
    action(QStringLiteral("mnupars_0"))->trigger();
    QTest::keyClick(rows, Qt::Key_Escape);
    QCOMPARE(answer(0)->text(), QStringLiteral("WOCE OR IYFS OR WOCE OR IYFS"));
}

void tst_Morvex::escapeAppendsToTypedText() {
    answer(3)->setText(QStringLiteral("NERC"));
    action(QStringLiteral("mnupars_3"))->trigger();
    QListWidget* rows = list(QStringLiteral("l3"));
    mark(rows, 25); // MAFF OR CEFAS
    mark(rows, 27); // NSF
    QTest::keyClick(rows, Qt::Key_Escape);
    QCOMPARE(answer(3)->text(), QStringLiteral("NERC OR MAFF OR CEFAS OR NSF"));
    QVERIFY(answer(0)->text().isEmpty());
}

void tst_Morvex::ihbCodesKeepTheirBlank() {
    action(QStringLiteral("mnul3"))->trigger();
    QListWidget* rows = list(QStringLiteral("l2"));
    QCOMPARE(rows->item(2)->text(), QStringLiteral("01  Baltic Sea"));
    QCOMPARE(rows->item(3)->text(), QStringLiteral("01a Gulf of Bothnia"));
    mark(rows, 2);
    mark(rows, 3);
    QTest::keyClick(rows, Qt::Key_Escape);
    QCOMPARE(answer(2)->text(), QStringLiteral("IHB01  OR IHB01a"));
}

void tst_Morvex::otherKeysLeaveTheFields() {
    action(QStringLiteral("mnupars_4"))->trigger();
    QListWidget* rows = list(QStringLiteral("L4"));
    mark(rows, 2);
    QTest::keyClick(rows, Qt::Key_Down);
    QTest::keyClick(rows, Qt::Key_Space); // the list's own handling toggles the current row
    QTest::keyClick(rows, Qt::Key_A);
    QTest::keyClick(rows, Qt::Key_Return);
    QVERIFY(rows->isVisible());
    for (int i = 0; i < 10; ++i)
        QVERIFY(answer(i)->text().isEmpty());
    QTest::keyClick(rows, Qt::Key_Escape);
    QCOMPARE(answer(4)->text(), QStringLiteral("Jan OR Feb"));
}

void tst_Morvex::parameterFieldRebuiltFromAllLists() {
    answer(9)->setText(QStringLiteral("typed"));
    action(QStringLiteral("mnul9a_1"))->trigger(); // H17 Optics, list 5
    QListWidget* jgofs = list(QStringLiteral("L9_5"));
    mark(jgofs, 0);
    QTest::keyClick(jgofs, Qt::Key_Escape);
    const QString code8 = jgofs->item(0)->text().left(8);
    QCOMPARE(answer(9)->text(), code8);

    action(QStringLiteral("mnul9_1"))->trigger();
    QListWidget* chemistry = list(QStringLiteral("L9_1"));
    mark(chemistry, 0); // H21 Oxygen
    QTest::keyClick(chemistry, Qt::Key_Escape);
    QCOMPARE(chemistry->item(0)->text().left(4), QStringLiteral("H21 "));
    QCOMPARE(answer(9)->text(), QStringLiteral("H21 OR ") + code8);
    // A second Escape adds nothing twice: the field always holds the marks of all 18 lists.
    action(QStringLiteral("mnul9_1"))->trigger();
    QTest::keyClick(chemistry, Qt::Key_Escape);
    QCOMPARE(answer(9)->text(), QStringLiteral("H21 OR ") + code8);
}

void tst_Morvex::parameterEscapeWithoutMarksEmptiesField() {
    answer(9)->setText(QStringLiteral("H09"));
    action(QStringLiteral("mnul9_0"))->trigger();
    QTest::keyClick(list(QStringLiteral("L9_0")), Qt::Key_Escape);
    QCOMPARE(answer(9)->text(), QString());
}

void tst_Morvex::quickSecondPressUnmarksTheRow() {
    action(QStringLiteral("mnupars_0"))->trigger();
    QListWidget* rows = list(QStringLiteral("L0"));
    const QPoint row4 = rows->visualItemRect(rows->item(4)).center();
    // Two presses 50 ms apart: a double click to the window system, two presses to the user.
    pressesAt(rows->viewport(), row4, {0, 50});
    QVERIFY(!rows->item(4)->isSelected());
    // A third press marks it again, and a fourth soon after unmarks it.
    pressesAt(rows->viewport(), row4, {0});
    QVERIFY(rows->item(4)->isSelected());
    pressesAt(rows->viewport(), row4, {0, 300});
    QVERIFY(rows->item(4)->isSelected());
    pressesAt(rows->viewport(), row4, {0});
    QVERIFY(!rows->item(4)->isSelected());
    QTest::keyClick(rows, Qt::Key_Escape);
    QCOMPARE(answer(0)->text(), QString());
}

void tst_Morvex::fieldAfterPickListTakesNextKeyAtItsEnd() {
    action(QStringLiteral("mnusel_1"))->trigger();
    answer(1)->setText(QStringLiteral("IRELAND"));
    action(QStringLiteral("mnupars_1"))->trigger();
    QListWidget* rows = list(QStringLiteral("L1"));
    rows->setFocus();
    mark(rows, 2);
    QTest::keyClick(rows, Qt::Key_Escape);
    const QString picked = answer(1)->text();
    QVERIFY(picked.startsWith(QLatin1String("IRELAND OR ")));
    QTRY_COMPARE(QApplication::focusWidget(), answer(1));
    QVERIFY(!answer(1)->hasSelectedText());
    QCOMPARE(answer(1)->cursorPosition(), picked.size());
    QTest::keyClicks(answer(1), QStringLiteral("X"));
    QCOMPARE(answer(1)->text(), picked + QLatin1Char('X'));
}

void tst_Morvex::sharedAccessKeyMovesTheHighlight() {
    auto* bar = qobject_cast<AccessKeyMenuBar*>(m_window->menuBar());
    QVERIFY(bar);
    writeFormFile(QStringLiteral("KER1994.INF"), csrForm(1, "UK"));
    chooseFiles({QStringLiteral("KER1994.INF")});
    answer(1)->setText(QStringLiteral("UK"));
    // "S&earch" and "&End": each Alt+E moves the highlight, and nothing runs.
    QTest::keyClick(m_window.get(), Qt::Key_E, Qt::AltModifier);
    QCOMPARE(bar->highlighted(), action(QStringLiteral("Mnusearch")));
    QTest::keyClick(m_window.get(), Qt::Key_E, Qt::AltModifier);
    QCOMPARE(bar->highlighted(), action(QStringLiteral("Mnuend")));
    QVERIFY(m_window->isVisible());
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("kerheads.htm"))));
    QVERIFY(m_services.questions.isEmpty() && m_services.messages.isEmpty());
    // Round again to the search; Enter runs the highlighted entry.
    QTest::keyClick(m_window.get(), Qt::Key_E, Qt::AltModifier);
    QCOMPARE(bar->highlighted(), action(QStringLiteral("Mnusearch")));
    QTest::keyClick(m_window.get(), Qt::Key_Return);
    QVERIFY(!bar->highlighted());
    QVERIFY(QFile::exists(m_dir->filePath(QStringLiteral("kerheads.htm"))));
    // Highlighted "&End" and Enter: the window goes.
    QTest::keyClick(m_window.get(), Qt::Key_E, Qt::AltModifier);
    QTest::keyClick(m_window.get(), Qt::Key_E, Qt::AltModifier);
    QCOMPARE(bar->highlighted(), action(QStringLiteral("Mnuend")));
    QTest::keyClick(m_window.get(), Qt::Key_Enter);
    QTRY_VERIFY(!m_window->isVisible());
}

void tst_Morvex::singleAccessKeyRunsItsEntry() {
    auto* bar = qobject_cast<AccessKeyMenuBar*>(m_window->menuBar());
    QVERIFY(bar);
    // "Kervos_&File" is the only F: it runs at once.
    QTest::keyClick(m_window.get(), Qt::Key_F, Qt::AltModifier);
    QCOMPARE(m_services.choices, 1);
    QVERIFY(!bar->highlighted());
    // With the ship list's menu shown, "&Ship/Platform Name" and "&Search Criteria" share S;
    // Escape drops the highlight without running anything.
    action(QStringLiteral("mnusel_6"))->trigger();
    QVERIFY(action(QStringLiteral("mnupars_6"))->isVisible());
    QTest::keyClick(m_window.get(), Qt::Key_S, Qt::AltModifier);
    QCOMPARE(bar->highlighted(), action(QStringLiteral("MnuSelect")));
    QTest::keyClick(m_window.get(), Qt::Key_S, Qt::AltModifier);
    QCOMPARE(bar->highlighted(), action(QStringLiteral("mnupars_6")));
    QTest::keyClick(m_window.get(), Qt::Key_Escape);
    QVERIFY(!bar->highlighted());
    QVERIFY(!list(QStringLiteral("L6"))->isVisible());
    QTest::keyClick(m_window.get(), Qt::Key_S, Qt::AltModifier);
    QTest::keyClick(m_window.get(), Qt::Key_S, Qt::AltModifier);
    QTest::keyClick(m_window.get(), Qt::Key_Space);
    QVERIFY(list(QStringLiteral("L6"))->isVisible());
}

void tst_Morvex::sharedAccessKeyHighlightIsDrawn_data() {
    QTest::addColumn<QString>("style");
    QTest::newRow("Fusion") << QStringLiteral("Fusion");
    QTest::newRow("Windows") << QStringLiteral("Windows");
}

// The entry that Enter would run is seen on the screen, in any style.
void tst_Morvex::sharedAccessKeyHighlightIsDrawn() {
    QFETCH(QString, style);
    const std::unique_ptr<QStyle> drawing(QStyleFactory::create(style));
    QVERIFY(drawing);
    auto* bar = static_cast<AccessKeyMenuBar*>(m_window->menuBar());
    bar->setStyle(drawing.get());
    const auto restore = qScopeGuard([bar] { bar->setStyle(nullptr); });
    const QRect entry = bar->actionGeometry(action(QStringLiteral("Mnusearch")));
    const QImage plain = bar->grab(entry).toImage();
    QTest::keyClick(m_window.get(), Qt::Key_E, Qt::AltModifier);
    QCOMPARE(bar->highlighted(), action(QStringLiteral("Mnusearch")));
    QVERIFY(bar->grab(entry).toImage() != plain);
    QTest::keyClick(m_window.get(), Qt::Key_Escape);
    QCOMPARE(bar->grab(entry).toImage(), plain);
}

// "&Search Criteria" and "&Parameter Codes" share their letters with hidden pick-list menus; the
// one that can be reached opens as any menu does, at its first item.
void tst_Morvex::menuOfSharedLetterOpensAtItsFirstItem() {
    auto* criteria = child<QMenu>(QStringLiteral("MnuSelect"));
    QTest::keyClick(m_window.get(), Qt::Key_S, Qt::AltModifier);
    QVERIFY(criteria->isVisible());
    QCOMPARE(criteria->activeAction(), action(QStringLiteral("mnusel_0")));
    QTest::keyClick(criteria, Qt::Key_Down);
    QTest::keyClick(criteria, Qt::Key_Return);
    QVERIFY(answer(1)->isVisible()); // "Country"

    action(QStringLiteral("mnusel_9"))->trigger();
    auto* codes = child<QMenu>(QStringLiteral("mnupars_9"));
    QTest::keyClick(m_window.get(), Qt::Key_P, Qt::AltModifier);
    QVERIFY(codes->isVisible());
    QTest::keyClick(codes, Qt::Key_Return);
    QVERIFY(list(QStringLiteral("L9_0"))->isVisible());
}

// Alt+U opens the country list with the keyboard in it: Down and Space mark a row, Escape
// hands it to the field, which has the keyboard again.
void tst_Morvex::pickListOpenedByItsAccessKeyTakesTheKeyboard() {
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    action(QStringLiteral("mnusel_1"))->trigger();
    QTest::keyClicks(answer(1), QStringLiteral("UK"));
    QTest::keyClick(m_window.get(), Qt::Key_U, Qt::AltModifier);
    QListWidget* rows = list(QStringLiteral("L1"));
    QVERIFY(rows->isVisible());
    QTRY_COMPARE(QApplication::focusWidget(), rows);
    QCOMPARE(rows->currentRow(), 0); // the heading, not marked
    QVERIFY(rows->selectedItems().isEmpty());
    QTest::keyClick(rows, Qt::Key_Down);
    QTest::keyClick(rows, Qt::Key_Down);
    QTest::keyClick(rows, Qt::Key_Space);
    QTest::keyClick(rows, Qt::Key_Down);
    QTest::keyClick(rows, Qt::Key_Down);
    QTest::keyClick(rows, Qt::Key_Space);
    QTest::keyClick(rows, Qt::Key_Escape);
    QVERIFY(!rows->isVisible());
    QCOMPARE(answer(1)->text(), "UK OR " + rows->item(2)->text() + " OR " + rows->item(4)->text());
    QCOMPARE(QApplication::focusWidget(), answer(1));
}

void tst_Morvex::groupItemLeavesJgofsListOpen() {
    action(QStringLiteral("mnul9a_3"))->trigger(); // list 7
    action(QStringLiteral("mnul9_2"))->trigger();
    QVERIFY(list(QStringLiteral("L9_7"))->isVisible());
    QVERIFY(list(QStringLiteral("L9_2"))->isVisible());
    // Opening the JGOFS/BODC submenu hides lists 0 to 4 only.
    action(QStringLiteral("mnul9a_0"))->trigger();
    Q_EMIT child<QMenu>(QStringLiteral("mnul9_4"))->aboutToShow();
    QVERIFY(!list(QStringLiteral("L9_2"))->isVisible());
    QVERIFY(!list(QStringLiteral("L9_4"))->isVisible());
}

// Search runs.

void tst_Morvex::searchWithoutFiles() {
    answer(1)->setText(QStringLiteral("UK"));
    action(QStringLiteral("Mnusearch"))->trigger();
    QCOMPARE(m_services.messages, QStringList{"You have still to select at least one KERVOS (.inf) File"});
    QVERIFY(!child<QPlainTextEdit>(QStringLiteral("Selection"))->isVisible());
    QVERIFY(action(QStringLiteral("Mnusearch"))->isEnabled());
}

void tst_Morvex::badFileName() {
    writeFormFile(QStringLiteral("forms.txt"), csrForm(1, "UK"));
    chooseFiles({QStringLiteral("forms.txt")});
    // The window's error number, then why in the words of morvex-search, and what to do.
    QCOMPARE(m_services.messages,
             QStringList{"Openkervos error:  5\n" + m_dir->filePath(QStringLiteral("forms.txt")) +
                         ": not the name of a form file; form files are named KER????.INF, for example "
                         "KER1995.INF; to read CSR XML records, import them first"});
    QVERIFY(m_window->fileSelection().files.empty());
}

void tst_Morvex::fieldOutsideWindows1252Refused() {
    writeFormFile(QStringLiteral("KER1994.INF"), csrForm(1, "UK"));
    chooseFiles({QStringLiteral("KER1994.INF")});
    answer(7)->setText(QStringLiteral("Smith \u0141ukasz"));
    action(QStringLiteral("Mnusearch"))->trigger();
    QCOMPARE(m_services.messages, QStringList{"Chief Scientist(s): only characters of Windows-1252, the character "
                                              "set of form files, can be searched for"});
    QVERIFY(!child<QPlainTextEdit>(QStringLiteral("Selection"))->isVisible());
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("kerheads.htm"))));
}

// The bytes of a criterion are those the command line makes of it: "\x92" for "’", "\x80" for
// "€", "\xE9" for "é", also when typed as "e" and a combining accent.
void tst_Morvex::windows1252LettersFindTheirBytes() {
    writeFormFile(QStringLiteral("KER1994.INF"), csrForm(1, "Caf\xe9 \x80 \x92s") + csrForm(2, "Cafe")
                                                     + csrForm(3, "Caf\xe9"));
    chooseFiles({QStringLiteral("KER1994.INF")});
    answer(1)->setText(QStringLiteral("Cafe\u0301 \u20ac \u2019s"));
    action(QStringLiteral("Mnusearch"))->trigger();
    QCOMPARE(m_services.messages, QStringList());
    QFile extraction(m_dir->filePath(QStringLiteral("kerxxxx.inf")));
    QVERIFY(extraction.open(QIODevice::ReadOnly));
    QCOMPARE(extraction.readAll(), csrForm(1, "Caf\xe9 \x80 \x92s"));
    // A precomposed letter finds the same forms.
    answer(1)->setText(QStringLiteral("caf\u00e9"));
    action(QStringLiteral("Mnusearch"))->trigger();
    QVERIFY(progressText().contains(QStringLiteral("Forms Selected:-  2")));
}

void tst_Morvex::folderInUseRefusesTheSearch() {
    writeFormFile(QStringLiteral("KER1994.INF"), csrForm(1, "UK"));
    writeFormFile(QStringLiteral("kerxxxx.inf"), "earlier");
    chooseFiles({QStringLiteral("KER1994.INF")});
    answer(1)->setText(QStringLiteral("UK"));
    // A search from another program holds the folder.
    const int other = ::open(QFile::encodeName(m_dir->path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    QVERIFY(other >= 0);
    const auto release = qScopeGuard([other] { ::close(other); });
    QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
    action(QStringLiteral("Mnusearch"))->trigger();
    QCOMPARE(m_services.messages, QStringList{"Another search is writing its results in " + m_dir->path() +
                                              "; wait until it has finished"});
    // The run did not start: no progress box, the menus idle, nothing written.
    QVERIFY(!child<QPlainTextEdit>(QStringLiteral("Selection"))->isVisible());
    QVERIFY(action(QStringLiteral("Mnusearch"))->isEnabled());
    QVERIFY(action(QStringLiteral("MnuFile"))->isEnabled());
    QVERIFY(!action(QStringLiteral("Mnubreak"))->isEnabled());
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), (QStringList{"KER1994.INF", "kerxxxx.inf"}));
}

void tst_Morvex::declinedQuestion() {
    writeFormFile(QStringLiteral("KER1994.INF"), csrForm(1, "UK"));
    chooseFiles({QStringLiteral("KER1994.INF")});
    m_services.answer = false;
    action(QStringLiteral("Mnusearch"))->trigger();
    QCOMPARE(m_services.questions,
             QStringList{"No Selection Criteria have been chosen. Do you want to continue?"});
    QVERIFY(m_services.messages.isEmpty());
    QVERIFY(action(QStringLiteral("Mnusearch"))->isEnabled());
    QVERIFY(action(QStringLiteral("MnuFile"))->isEnabled());
    QVERIFY(!action(QStringLiteral("Mnubreak"))->isEnabled());
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"KER1994.INF"});
}

void tst_Morvex::fullSearch() {
    writeFormFile(QStringLiteral("KER1994.INF"), csrForm(1, "UK") + csrForm(2, "France") + csrForm(3, "UK"));
    writeFormFile(QStringLiteral("KER1995.INF"), csrForm(4, "Northern Ireland") + csrForm(5, "uk"));
    chooseFiles({QStringLiteral("KER1994.INF"), QStringLiteral("KER1995.INF")});
    QVERIFY(m_services.messages.isEmpty());
    action(QStringLiteral("mnusel_1"))->trigger();
    QTest::keyClicks(answer(1), QStringLiteral("uk or ireland"));

    clickMenuBar(action(QStringLiteral("Mnusearch")));
    QVERIFY2(m_services.messages.isEmpty(), qPrintable(m_services.messages.join(QLatin1Char('|'))));
    QVERIFY(m_services.questions.isEmpty());
    const QString folder = m_dir->path();
    QCOMPARE(progressText(), QStringLiteral("Forms Read:-  5 Forms Selected:-  4\n\n"
                                            "Results and summaries can be found by viewing:-\n") +
                                 folder + "/kerforms.htm\n" + folder + "/kerheads.htm\n" + folder +
                                 "/ker3.txt\n"
                                 "All 3 files are ascii so you may view them in any\n"
                                 "editor or WP, or click on buttons on right\n"
                                 "Doubleclick in this area to remove this box");
    QVERIFY(child<QPlainTextEdit>(QStringLiteral("Selection"))->isVisible());
    for (const char* name : {"labker1", "labker2", "labker3"})
        QVERIFY(child<QLabel>(name)->isVisible());
    QVERIFY(action(QStringLiteral("Mnusearch"))->isEnabled());
    QVERIFY(action(QStringLiteral("MnuFile"))->isEnabled());
    QVERIFY(!action(QStringLiteral("Mnubreak"))->isEnabled());
    QVERIFY(!m_window->isRunning());
    for (const char* name : {"kerforms.htm", "kerheads.htm", "ker3.txt", "kerxxxx.inf"})
        QVERIFY2(QFile::exists(m_dir->filePath(QString::fromLatin1(name))), name);
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("kerxxxx.fin"))));

    // The extraction file holds the selected forms and is itself a form file.
    QFile extraction(m_dir->filePath(QStringLiteral("kerxxxx.inf")));
    QVERIFY(extraction.open(QIODevice::ReadOnly));
    QCOMPARE(extraction.readAll(),
             csrForm(1, "UK") + csrForm(3, "UK") + csrForm(4, "Northern Ireland") + csrForm(5, "uk"));
}

void tst_Morvex::searchWithoutSelectedForms() {
    writeFormFile(QStringLiteral("KER1994.INF"), csrForm(1, "UK") + csrForm(2, "France"));
    chooseFiles({QStringLiteral("KER1994.INF")});
    answer(1)->setText(QStringLiteral("Spain"));
    action(QStringLiteral("Mnusearch"))->trigger();
    QCOMPARE(progressText(),
             QStringLiteral("Forms Read:-  2 Forms Selected:-  0\n\nSo Sorry, no forms selected\n"
                            "Doubleclick in this area to remove this box"));
    for (const char* name : {"labker1", "labker2", "labker3"})
        QVERIFY(!child<QLabel>(name)->isVisible());
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("kerheads.htm"))));
}

void tst_Morvex::viewButtonsByKeyboard() {
    writeFormFile(QStringLiteral("KER1996.INF"), csrForm(1, "UK"));
    chooseFiles({QStringLiteral("KER1996.INF")});
    answer(0)->setText(QStringLiteral("woce"));
    action(QStringLiteral("Mnusearch"))->trigger();
    const char* const files[] = {"kerheads.htm", "kerforms.htm", "ker3.txt"};
    // Tab reaches each button in turn; Space or Enter presses the one that has the keyboard.
    QWidget* first = child<QLabel>(QStringLiteral("labker1"));
    first->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), first);
    for (int n = 0; n < 3; ++n) {
        auto* button = child<QLabel>(QStringLiteral("labker%1").arg(n + 1));
        QCOMPARE(QApplication::focusWidget(), button);
        QVERIFY(!child<QLabel>(QStringLiteral("Labans"))->isVisible()); // help comes with the mouse only
        m_services.opened.clear();
        QTest::keyClick(button, n == 1 ? Qt::Key_Return : Qt::Key_Space);
        QCOMPARE(m_services.opened, QStringList{m_dir->filePath(QString::fromLatin1(files[n]))});

        // To assistive technology a button, named by its caption, that can be pressed.
        QAccessibleInterface* access = QAccessible::queryAccessibleInterface(button);
        QVERIFY(access);
        QCOMPARE(access->role(), QAccessible::Button);
        QCOMPARE(access->text(QAccessible::Name), button->text());
        QAccessibleActionInterface* actions = access->actionInterface();
        QVERIFY(actions);
        QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
        m_services.opened.clear();
        actions->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(m_services.opened, QStringList{m_dir->filePath(QString::fromLatin1(files[n]))});
        // Still drawn as before: a label with its caption, no frame.
        QCOMPARE(button->frameShape(), QFrame::NoFrame);
        QTest::keyClick(button, Qt::Key_Tab);
    }
}

// The progress box only shows the run: typing changes nothing in it and Tab goes on to the view
// buttons, the one with the keyboard framed.
void tst_Morvex::tabLeavesTheProgressBoxForTheViewButtons() {
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    searchSelectingOneForm();
    auto* box = child<QPlainTextEdit>(QStringLiteral("Selection"));
    auto* first = child<QLabel>(QStringLiteral("labker1"));
    const QString result = box->toPlainText();
    QTest::mouseClick(box->viewport(), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), box);
    QTest::keyClicks(box, QStringLiteral("typed"));
    QTest::keyClick(box, Qt::Key_Tab);
    QCOMPARE(box->toPlainText(), result);
    QCOMPARE(QApplication::focusWidget(), first);
    const QImage framed = first->grab().toImage();
    QTest::keyClick(first, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), child<QLabel>(QStringLiteral("labker2")));
    QVERIFY(first->grab().toImage() != framed);
}

// Tab from the field reaches the progress box, which is framed while it has the keyboard.
void tst_Morvex::progressBoxShowsItHasTheKeyboard() {
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    searchSelectingOneForm();
    auto* box = child<QPlainTextEdit>(QStringLiteral("Selection"));
    action(QStringLiteral("mnusel_0"))->trigger();
    QTRY_COMPARE(QApplication::focusWidget(), answer(0));
    const QImage without = box->grab().toImage();
    QTest::keyClick(answer(0), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), box);
    const QImage with = box->grab().toImage();
    QVERIFY(with != without);
    const QColor highlight = box->palette().color(QPalette::Highlight);
    QCOMPARE(with.pixelColor(0, with.height() / 2), highlight);
    QCOMPARE(with.pixelColor(with.width() / 2, with.height() - 1), highlight);
    QTest::keyClick(box, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), child<QLabel>(QStringLiteral("labker1")));
    QCOMPARE(box->grab().toImage(), without);
}

// Help comes with the mouse only. When a pick list closes, the keyboard passes through the first
// view button on its way back to the field; no help box opens over the Escape prompt's place.
void tst_Morvex::pickListEscapeShowsNoHelp() {
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    searchSelectingOneForm();
    auto* box = child<QPlainTextEdit>(QStringLiteral("Selection"));
    QTest::mouseDClick(box->viewport(), Qt::LeftButton);
    QTest::mouseRelease(box->viewport(), Qt::LeftButton);
    action(QStringLiteral("mnusel_0"))->trigger();
    action(QStringLiteral("mnupars_0"))->trigger();
    QListWidget* rows = list(QStringLiteral("L0"));
    mark(rows, 2);
    QCOMPARE(QApplication::focusWidget(), rows);
    QTest::keyClick(rows, Qt::Key_Escape);
    QCOMPARE(QApplication::focusWidget(), answer(0));
    QVERIFY(!child<QLabel>(QStringLiteral("Labans"))->isVisible());
}

void tst_Morvex::viewButtons() {
    writeFormFile(QStringLiteral("KER1996.INF"), csrForm(1, "UK"));
    chooseFiles({QStringLiteral("KER1996.INF")});
    answer(0)->setText(QStringLiteral("woce"));
    action(QStringLiteral("Mnusearch"))->trigger();
    auto* help = child<QLabel>(QStringLiteral("Labans"));
    const struct {
        const char* button;
        const char* file;
        const char* help;
    } buttons[] = {
        {"labker1", "kerheads.htm",
         "If you click now you will be able to view the Headers from\n"
         "your extraction via your internet browser. This will link you \n"
         "to individual forms\nNote: this file is written in html!!"},
        {"labker2", "kerforms.htm",
         "If you click now you will be able to view Kervos forms from\n"
         "your extraction. This file has links from the header file\nNote: This file is written in html!"},
        {"labker3", "ker3.txt",
         "If you click now you will be able to view Ker3.txt from your \n"
         "default editor (normally NOTEPAD).\n"
         "Note1: If the file is too big for notepad, please procede manually!\n"
         "Note2: This file is a CSV file which is best viewed by importing to your\n"
         "Word Processor and use the 'converting text to table'function."},
    };
    // The recorded output folder counts, not the current directory at the time of the click.
    const QString current = QDir::currentPath();
    QDir::setCurrent(QDir::tempPath());
    const auto restore = qScopeGuard([&] { QDir::setCurrent(current); });
    for (const auto& b : buttons) {
        QLabel* button = child<QLabel>(QString::fromLatin1(b.button));
        QVERIFY(button->isVisible());
        moveOverBareWindow();
        QTRY_VERIFY(!help->isVisible());
        moveTo(button);
        QTRY_VERIFY(help->isVisible());
        QCOMPARE(help->text(), QString::fromLatin1(b.help));
        m_services.opened.clear();
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(m_services.opened, QStringList{m_dir->filePath(QString::fromLatin1(b.file))});
    }
    // A missing file gives no message.
    QVERIFY(QFile::remove(m_dir->filePath(QStringLiteral("ker3.txt"))));
    QTest::mouseClick(child<QLabel>(QStringLiteral("labker3")), Qt::LeftButton);
    QVERIFY(m_services.messages.isEmpty());
}

void tst_Morvex::progressBoxDoubleClickHides() {
    writeFormFile(QStringLiteral("KER1994.INF"), csrForm(1, "UK"));
    chooseFiles({QStringLiteral("KER1994.INF")});
    answer(1)->setText(QStringLiteral("France"));
    action(QStringLiteral("Mnusearch"))->trigger();
    auto* box = child<QPlainTextEdit>(QStringLiteral("Selection"));
    QVERIFY(box->isVisible());
    const QString text = box->toPlainText();
    QTest::mouseDClick(box->viewport(), Qt::LeftButton);
    QTest::mouseRelease(box->viewport(), Qt::LeftButton);
    QVERIFY(!box->isVisible());
    QCOMPARE(box->toPlainText(), text);
    action(QStringLiteral("Mnusearch"))->trigger();
    QVERIFY(box->isVisible());
}

void tst_Morvex::breakDuringRun() {
    QByteArray forms;
    for (int n = 1; n <= 3000; ++n)
        forms += csrForm(n, n % 2 ? "UK" : "France");
    writeFormFile(QStringLiteral("KER1994.INF"), forms);
    chooseFiles({QStringLiteral("KER1994.INF")});
    answer(1)->setText(QStringLiteral("UK"));

    bool brokeWhileRunning = false;
    QTimer::singleShot(0, this, [&] {
        QAction* breakCommand = action(QStringLiteral("Mnubreak"));
        brokeWhileRunning = m_window->isRunning() && breakCommand->isEnabled() &&
                            !action(QStringLiteral("Mnusearch"))->isEnabled() &&
                            !action(QStringLiteral("MnuFile"))->isEnabled();
        clickMenuBar(breakCommand);
    });
    action(QStringLiteral("Mnusearch"))->trigger();
    QVERIFY(brokeWhileRunning);
    QCOMPARE(m_services.messages, QStringList{"Break used. Run aborted"});
    QVERIFY(!progressText().startsWith(QLatin1String("Forms Read:-  3000")));
    for (const char* name : {"labker1", "labker2", "labker3"})
        QVERIFY(!child<QLabel>(name)->isVisible());
    QVERIFY(action(QStringLiteral("Mnusearch"))->isEnabled());
    QVERIFY(action(QStringLiteral("MnuFile"))->isEnabled());
    QVERIFY(!action(QStringLiteral("Mnubreak"))->isEnabled());
    // The form being read when Break was clicked is neither tested nor counted: nothing was selected.
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("kerheads.htm"))));
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("kerxxxx.inf"))));
}

// A message during a run comes over the counts of the forms read so far.
void tst_Morvex::messageDuringRunShowsTheCountsSoFar() {
    writeFormFile(QStringLiteral("KER1994.INF"), csrForm(1, "UK") + csrForm(2, "France") + csrForm(3, "UK"));
    writeFormFile(QStringLiteral("KER1995.INF"), csrForm(4, "UK"));
    chooseFiles({QStringLiteral("KER1994.INF"), QStringLiteral("KER1995.INF")});
    QVERIFY(QFile::remove(m_dir->filePath(QStringLiteral("KER1995.INF"))));
    answer(1)->setText(QStringLiteral("UK"));
    QString shown;
    m_services.onMessage = [&] { shown = progressText(); };
    action(QStringLiteral("Mnusearch"))->trigger();
    m_services.onMessage = {};
    QCOMPARE(m_services.messages.size(), 1);
    QCOMPARE(shown, QStringLiteral("Forms Read:-  3   Forms Selected:-  2"));
}

void tst_Morvex::endDuringRun() {
    QByteArray forms;
    for (int n = 1; n <= 3000; ++n)
        forms += csrForm(n, "UK");
    writeFormFile(QStringLiteral("KER1994.INF"), forms);
    chooseFiles({QStringLiteral("KER1994.INF")});
    answer(1)->setText(QStringLiteral("UK"));

    bool endedWhileRunning = false;
    QTimer::singleShot(0, this, [&] {
        endedWhileRunning = m_window->isRunning();
        clickMenuBar(action(QStringLiteral("Mnuend")));
        // The window waits for the run to return before it goes.
        QVERIFY(m_window->isVisible());
    });
    action(QStringLiteral("Mnusearch"))->trigger();
    QVERIFY(endedWhileRunning);
    QVERIFY(!m_window->isVisible());
    QVERIFY(!m_window->isRunning());
    QVERIFY(m_services.messages.isEmpty()); // "&End" asks nothing and tells nothing
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("kerxxxx.inf"))));
}

// Integration with the map window.

void tst_Morvex::northAtlanticFillsTheAreaField() {
    answer(2)->setText(QStringLiteral("IHB01a"));
    action(QStringLiteral("mnumars1"))->trigger();
    kemsqa* map = kemsqa::instance();
    QVERIFY(map);
    QVERIFY(QTest::qWaitForWindowExposed(map));
    QVERIFY(m_window->isEnabled()); // not modal
    QWidget* area = map->findChild<QWidget*>(QStringLiteral("mapArea"));
    QVERIFY(area);
    // The cell from 50 to 55 degrees North and 20 to 25 degrees West lies in square 183.
    const QPoint cell(qRound(7.5 * area->width() / 24.0), qRound(6.5 * area->height() / 20.0));
    moveTo(area, cell);
    QTest::mousePress(area, Qt::LeftButton, {}, cell);
    QTest::mouseRelease(area, Qt::LeftButton, {}, cell);
    QTest::keyClick(map, Qt::Key_Escape);
    QTRY_VERIFY(!kemsqa::instance() || !kemsqa::instance()->isVisible());
    QCOMPARE(answer(2)->text(), QStringLiteral("IHB01a OR ^183"));
}

void tst_Morvex::mapShadesTheLastResult() {
    QVERIFY(QFile::copy(QStringLiteral(MORVEX_SOURCE_DIR "/samples/KER1995.INF"), m_dir->filePath("KER1995.INF")));
    chooseFiles({QStringLiteral("KER1995.INF")});
    answer(1)->setText(QStringLiteral("ireland"));
    action(QStringLiteral("Mnusearch"))->trigger();
    QVERIFY(QFile::exists(m_dir->filePath(QStringLiteral("kerxxxx.inf"))));
    // Which of the two open-sea squares the selected forms name, read from their line 2:
    // 113 is 50W to 40W and 30N to 40N, 147 is 30W to 20W and 40N to 50N.
    QFile extraction(m_dir->filePath(QStringLiteral("kerxxxx.inf")));
    QVERIFY(extraction.open(QIODevice::ReadOnly));
    bool names113 = false, names147 = false;
    QList<QByteArray> lines = extraction.readAll().split('\n');
    for (int i = 0, line = 0; i < lines.size(); ++i, ++line) {
        if (lines[i].startsWith('*')) line = -1;
        if (line != 2) continue;
        const QList<QByteArray> fields = lines[i].trimmed().split('^');
        names113 = names113 || fields.contains("113");
        names147 = names147 || fields.contains("147");
    }
    QVERIFY(names113 && !names147);

    action(QStringLiteral("mnumars1"))->trigger();
    kemsqa* map = kemsqa::instance();
    QVERIFY(map);
    QVERIFY(QTest::qWaitForWindowExposed(map));
    QWidget* area = map->findChild<QWidget*>(QStringLiteral("mapArea"));
    QVERIFY(area);
    // The middles of 5-degree cells, away from the grid lines and the coasts.
    const auto colourAt = [area](double x, double y) {
        return area->grab().toImage().pixelColor(qRound(x * area->width() / 24.0), qRound(y * area->height() / 20.0));
    };
    const QColor sea = area->palette().color(QPalette::Base);
    QCOMPARE(colourAt(6.5, 7.5), sea);   // square 147
    QVERIFY(colourAt(2.5, 9.5) != sea);  // square 113
    QVERIFY(colourAt(2.5, 9.5).blue() > colourAt(2.5, 9.5).red());

    // The picking stays as it was: a click in the shaded square still records it.
    const QPoint cell(qRound(2.5 * area->width() / 24.0), qRound(9.5 * area->height() / 20.0));
    QTest::mouseClick(area, Qt::LeftButton, {}, cell);

    // A run that selects nothing clears the shading of the open map.
    answer(1)->setText(QStringLiteral("atlantis"));
    action(QStringLiteral("Mnusearch"))->trigger();
    QVERIFY(progressText().contains(QStringLiteral("So Sorry, no forms selected")));
    QCOMPARE(colourAt(3.5, 10.5), sea);  // square 113, away from the "*" mark
    QTest::keyClick(map, Qt::Key_Escape);
    QTRY_VERIFY(!kemsqa::instance() || !kemsqa::instance()->isVisible());
    QCOMPARE(answer(2)->text(), QStringLiteral("^113"));
}

// The real dialogs, closed by the test once they are up.

void tst_Morvex::realFileDialogFiltersAnyLetterCase() {
    writeFormFile(QStringLiteral("KER1994.INF"), csrForm(1, "UK"));
    writeFormFile(QStringLiteral("ker1995.inf"), csrForm(2, "UK"));
    writeFormFile(QStringLiteral("notes.txt"), "notes");
    QStringList filters;
    QStringList listed;
    whenModal<QFileDialog>(m_window.get(), [&](QFileDialog* dialog) {
        filters = dialog->nameFilters();
        auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
        auto* model = dialog->findChild<QFileSystemModel*>();
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        if (!view || !model || !buttons) return;
        // The model lists the folder from a thread and reports each file before it reports the
        // folder loaded; the wait ends with that report.
        QSignalSpy loaded(model, &QFileSystemModel::directoryLoaded);
        dialog->setDirectory(m_dir->path());
        while (!loaded.contains(QVariantList{m_dir->path()}))
            if (!loaded.wait(60000)) return;
        for (int r = 0; r < model->rowCount(view->rootIndex()); ++r) {
            const QModelIndex index = model->index(r, 0, view->rootIndex());
            if (!(model->flags(index) & Qt::ItemIsEnabled) || view->isRowHidden(r)) continue;
            listed << index.data().toString();
            view->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        buttons->button(QDialogButtonBox::Open)->click();
    });
    DialogFileChooser chooser;
    QStringList chosen = chooser.chooseFormFiles(m_window.get());
    QCOMPARE(filters, QStringList{"Kervos Files (*.inf)"});
    listed.sort();
    QCOMPARE(listed, (QStringList{"KER1994.INF", "ker1995.inf"}));
    chosen.sort();
    QCOMPARE(chosen, (QStringList{m_dir->filePath("KER1994.INF"), m_dir->filePath("ker1995.inf")}));
}

void tst_Morvex::fileDialogOpensInTheFolderOfTheLastChoice() {
    QTemporaryDir other;
    QVERIFY(other.isValid());
    QFile form(other.filePath(QStringLiteral("KER1990.INF")));
    QVERIFY(form.open(QIODevice::WriteOnly));
    form.write(csrForm(1, "UK"));
    form.close();
    DialogFileChooser chooser;
    QString firstStart, secondStart;
    whenModal<QFileDialog>(m_window.get(), [&](QFileDialog* dialog) {
        firstStart = dialog->directory().absolutePath();
        // The name typed with its folder, as a user may, without going to the folder first.
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!name) return;
        name->setText(other.filePath(QStringLiteral("KER1990.INF")));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    QCOMPARE(chooser.chooseFormFiles(m_window.get()), QStringList{other.filePath(QStringLiteral("KER1990.INF"))});
    QVERIFY(firstStart != QDir(other.path()).absolutePath());
    whenModal<QFileDialog>(m_window.get(), [&](QFileDialog* dialog) { secondStart = dialog->directory().absolutePath(); });
    QCOMPARE(chooser.chooseFormFiles(m_window.get()), QStringList());
    QCOMPARE(secondStart, QDir(other.path()).absolutePath());
}

void tst_Morvex::realQuestionBoxHasYesAndNo() {
    const QString question =
        QStringLiteral("No Selection Criteria have been chosen. Do you want to continue?");
    QString text;
    QMessageBox::StandardButtons buttons;
    whenModal<QMessageBox>(m_window.get(), [&](QMessageBox* box) {
        text = box->text();
        buttons = box->standardButtons();
        if (QAbstractButton* no = box->button(QMessageBox::No)) no->click();
    });
    DialogMessageBoxes boxes;
    QVERIFY(!boxes.ask(m_window.get(), question));
    QCOMPARE(text, question);
    QCOMPARE(buttons, QMessageBox::Yes | QMessageBox::No);
}

QTEST_MAIN(tst_Morvex)
#include "tst_morvex.moc"
