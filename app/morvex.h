// The main window: criteria fields, pick lists, pop-up help, the search run and the view buttons.
#ifndef APP_MORVEX_H
#define APP_MORVEX_H

#include <QMainWindow>
#include <QPoint>
#include <QPointer>
#include <QSize>

#include <array>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "app/filterdialog.h"
#include "app/windowservices.h"
#include "search/criteria.h"
#include "search/fileselection.h"
#include "search/runhost.h"
#include "tables/rptable.h"

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QMenuBar;
class QMouseEvent;
class QPlainTextEdit;

namespace search {
class SearchRun;
}
namespace app {
class ImportCommand;
class LongCommand;
class ResultsWindow;
class RunPanel;
struct RunResult;
}

/// "KERVOS Search". Sized and laid out once from the screen; controls are then only shown and
/// hidden. Every control and menu item carries its name as objectName ("Answer_2", "L9_17",
/// "mnupars_9"). The search runs inside the Search command on the window's thread; its
/// RunPanel gives the window's events a turn at form ends and around long file steps.
///
/// The controls, menu items and handlers keep the names users and testers know them by:
///   Answer_i, labsel_i    the ten criteria fields and their captions (search::kCriteria)
///   L0 L1 l2 l3 L4 L6 L9_n the pick lists: projects, countries, IHB areas, agencies, months,
///                         ships, the parameter code lists
///   labesc                the red Escape prompt shown with a pick list
///   Labans                the help box over a field, a view button or the window
///   labinfo               the "?" that shows the title box labtitle and the selection
///                         summary labselection
///   labker1..3            the view buttons: headers, full forms, CSV summary
///   Selection             the progress box of a run; brontel the option box (the line probe)
///   mnusel_i, mnupars_i   the "&Select" items and the pick-list items of the menu bar
///   mnudates, mnubox, mnusquares  the filters of "&Search Criteria" (app::FilterDialog)
///   mnuclear              "Clear All Criteria", at the end of "&Search Criteria"
///   mnul3, mnumars1/2     the IHB area list and the Marsden square maps (kemsqa): the North
///                         Atlantic and the world
///   MnuImport             "&Import": mnuimport1 and mnuimport2 import CSR records, from files
///                         or a folder, into form files and choose them (app::ImportCommand);
///                         mnuimport3 updates a folder from the catalogues (app::HarvestCommand)
///   MnuResults            "&Results": mnuresults1 opens the results window (app::ResultsWindow),
///                         mnuresults2 exports the selected forms of the last run
///   mnul9, mnul9a         the parameter code groups and their lists
///   rpload ... shipload   fill the pick lists (code table, projects, countries (cuntload),
///                         IHB areas, agencies, months, ships)
///   HyperJump             opens a file with the program of its type
class Morvex : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kCriteria = search::kCriterionCount;
    static constexpr int kCodeLists = tables::RpTable::kListCount;

    /// A window using the given services; null members get the real dialogs and opener.
    explicit Morvex(const WindowServices& services = {}, QWidget* parent = nullptr);
    ~Morvex() override;

    /// Opens a file with the program associated with its type; a failure stays silent.
    void HyperJump(const QString& path);

    /// Chooses form files as the file dialog would (paths in the order given); a bad choice is
    /// said in a message box. For the files the program is started with.
    void chooseFiles(const QStringList& paths);

    /// The file list, years label and output paths of the last file choice.
    const search::FileSelection& fileSelection() const { return m_files; }
    /// True while the Search command's run is going on.
    bool isRunning() const { return m_run != nullptr || m_command != nullptr; }

    /// The window's side of a search run.
    search::RunHost& runHost();
    /// The results window while it is open, else nullptr.
    app::ResultsWindow* resultsWindow() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct Layout;

    void createControls();
    void createLabels();
    void createViewButtons();
    void createFieldsAndLists();
    void createMenus();
    void createSelectMenu(QMenuBar* bar);
    void createPickMenus(QMenuBar* bar);
    void createCodeMenu(QMenuBar* bar);
    void startUp();
    void placeControls(const Layout& l);
    void placePickLists(const Layout& l);
    void placeInfoBoxes(const Layout& l);
    QLabel* newLabel(const QString& name, bool viewButton = false);
    QListWidget* newPickList(const QString& name);
    QAction* newCommand(QWidget* owner, const char* name, const QString& caption);

    void rpload();
    void projload();
    void cuntload();
    void ihbload();
    void agenload();
    void monthload();
    void shipload();

    void mnuFileClick();
    void mnuSelectClick();
    void mnuselClick(int i);
    void mnuatulmaClick();
    void mnunotatulmaClick();
    void mnuclearClick();
    void mnufilterClick(app::FilterDialog::Part part);
    /// Takes filters read from texts: the check marks, the box on the maps.
    void setFilters(const app::FilterTexts& texts, const search::FormFilters& filters);
    void mapBoxDrawn(double west, double south, double east, double north);
    void mnusearchClick();
    void mnubreakClick();
    void mnuendClick();
    void mnuparsClick(int i);
    void mnul3Click();
    void mnumars1Click();
    void mnumars2Click();
    void mnul9Click(int group);
    void mnul9aClick(int item);
    void mnuimportClick(bool fromFolder);
    void mnuharvestClick();
    void afterCommand(const QStringList& written);
    void createImportMenu(QMenuBar* bar);
    void mnuresults1Click();
    void mnuresults2Click();
    void createResultsMenu(QMenuBar* bar);
    /// Keeps what a run left for the results window (null: nothing) and enables its menu.
    void setLastResult(std::shared_ptr<app::RunResult> result);

    // The event filter's part for each kind of event: true or false as the filter's answer,
    // nothing to pass the event on.
    std::optional<bool> mouseMoveFilter(QObject* watched, const QMouseEvent* move);
    std::optional<bool> mouseReleaseFilter(QObject* watched, const QMouseEvent* click);
    std::optional<bool> doubleClickFilter(QObject* watched, const QMouseEvent* click);
    std::optional<bool> keyPressFilter(QObject* watched, int key);
    int viewButtonIndex(const QObject* watched) const;
    int answerIndex(const QObject* watched) const;

    void formMouseMove();
    void hideInfoBoxes();
    void answerMouseMove(int i);
    void labinfoMouseMove();
    void labinfoDblClick();
    void labkerClick(int button);
    void labkerMouseMove(int button);
    void selectionDblClick();
    void brontelDblClick();
    void pickListPress(QListWidget* list, QPoint pos);
    bool pickListKeyPress(QListWidget* list, int key);
    void returnToField(QLineEdit* field);
    void endPick(QListWidget* list, int field, bool ihbCodes);
    void endParameterPick(int list);

    search::DataHeld dataHeld() const;
    void showPickList(QListWidget* list);
    void showHelp(const QString& text);
    QSize roomFrom(const QWidget* control) const;
    void setViewButtonsVisible(bool visible);

    std::unique_ptr<FileChooser> m_ownChooser;
    std::unique_ptr<MessageBoxes> m_ownMessages;
    std::unique_ptr<FileOpener> m_ownOpener;
    FileChooser* m_chooser;
    MessageBoxes* m_messages;
    FileOpener* m_opener;

    const tables::RpTable m_rptable;
    search::FileSelection m_files;

    search::SearchRun* m_run = nullptr;
    app::LongCommand* m_command = nullptr; // while "&Import" imports or updates
    bool m_closeAfterImport = false;
    std::unique_ptr<app::RunPanel> m_runPanel;

    QWidget* m_central = nullptr;
    std::array<QLineEdit*, kCriteria> m_Answer{};
    std::array<QLabel*, kCriteria> m_labsel{};
    QListWidget* m_L0 = nullptr;
    QListWidget* m_L1 = nullptr;
    QListWidget* m_l2 = nullptr;
    QListWidget* m_l3 = nullptr;
    QListWidget* m_L4 = nullptr;
    QListWidget* m_L6 = nullptr;
    std::array<QListWidget*, kCodeLists> m_L9{};
    QLabel* m_labesc = nullptr;
    QLabel* m_Labans = nullptr;
    QLabel* m_labtitle = nullptr;
    QLabel* m_labinfo = nullptr;
    QLabel* m_labselection = nullptr;
    std::array<QLabel*, 3> m_labker{};
    QSize m_viewButtonSize; // as designed; a longer caption takes more
    QPlainTextEdit* m_Selection = nullptr;
    QLineEdit* m_brontel = nullptr;

    QAction* m_MnuFile = nullptr;
    QMenu* m_MnuSelect = nullptr;
    std::array<QAction*, kCriteria> m_mnusel{};
    QAction* m_mnuatulma = nullptr;
    QAction* m_mnunotatulma = nullptr;
    std::array<QAction*, 3> m_mnufilters{}; // the dates, the box, the squares
    QAction* m_mnuclear = nullptr;          // "Clear All Criteria"
    QAction* m_Mnusearch = nullptr;
    QAction* m_Mnubreak = nullptr;
    std::array<QAction*, kCriteria> m_mnupars{}; // null for criteria 5, 7 and 8
    QAction* m_mnul3 = nullptr;
    QMenu* m_mnumars = nullptr;
    QAction* m_mnumars1 = nullptr;
    QAction* m_mnumars2 = nullptr; // "World"
    std::array<QAction*, 5> m_mnul9{};
    std::array<QAction*, kCodeLists - 4> m_mnul9a{};
    QMenu* m_MnuImport = nullptr;
    QAction* m_mnuimport1 = nullptr; // "CSR Records..."
    QAction* m_mnuimport2 = nullptr; // "CSR Records in a Folder..."
    QAction* m_mnuimport3 = nullptr; // "Update from Catalogue..."
    QMenu* m_MnuResults = nullptr;
    QAction* m_mnuresults1 = nullptr;
    QAction* m_mnuresults2 = nullptr;
    QAction* m_Mnuend = nullptr;

    app::FilterTexts m_filterTexts;
    search::FormFilters m_filters; // read from m_filterTexts, for the next search

    std::shared_ptr<app::RunResult> m_lastResult; // of the last completed run that selected forms
    QPointer<app::ResultsWindow> m_resultsWindow;
};

#endif // APP_MORVEX_H
