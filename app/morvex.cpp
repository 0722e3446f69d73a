// The main window: start-up, menus, criteria entry, pick lists, result viewing and the run host.
#include "app/morvex.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "app/accesskeymenubar.h"
#include "app/harvestcommand.h"
#include "app/importcommand.h"
#include "app/labelfit.h"
#include "app/progressbox.h"
#include "app/resultswindow.h"
#include "app/runpanel.h"
#include "app/textbridge.h"
#include "app/viewbutton.h"
#include "app/viewbuttonaccess.h"
#include "app/windowtexts.h"
#include "exports/resulttable.h"
#include "geo/framedplacement.h"
#include "geo/kemsqa.h"
#include "geo/mapregion.h"
#include "reports/reportrun.h"
#include "reports/squarecounts.h"
#include "search/criteria.h"
#include "search/filesystem.h"
#include "search/searchrun.h"
#include "tables/picklists.h"

namespace {

using namespace std::chrono_literals;

constexpr double kTwipsPerInch = 1440.0;

const QColor kLightGrey(192, 192, 192);
const QColor kMagenta(255, 0, 255);
const QColor kRed(255, 0, 0);

QString controlName(const char* name, int index) {
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

// Named fonts of the design; fontconfig substitutes a sans face where they are missing.
QFont designFont(const char* family, double points, bool bold = false, bool italic = false) {
    QFont font(QString::fromLatin1(family));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

void setBackground(QWidget* widget, const QColor& colour, QPalette::ColorRole role = QPalette::Window) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void setForeground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

// A menu of the menu bar or of another menu, named as its item is.
QMenu* newSubmenu(QWidget* owner, const QString& name, const QString& caption) {
    auto* menu = new QMenu(caption, owner);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    if (auto* bar = qobject_cast<QMenuBar*>(owner))
        bar->addMenu(menu);
    else
        static_cast<QMenu*>(owner)->addMenu(menu);
    return menu;
}

// A label that grows to the width and number of lines of its caption.
void setAutoSizeCaption(QLabel* label, const QString& caption) {
    label->setText(caption);
    label->adjustSize();
}

} // namespace

Morvex::Morvex(const WindowServices& services, QWidget* parent) : QMainWindow(parent) {
    if (services.files) {
        m_chooser = services.files;
    } else {
        m_ownChooser = std::make_unique<DialogFileChooser>();
        m_chooser = m_ownChooser.get();
    }
    if (services.messages) {
        m_messages = services.messages;
    } else {
        m_ownMessages = std::make_unique<DialogMessageBoxes>();
        m_messages = m_ownMessages.get();
    }
    if (services.opener) {
        m_opener = services.opener;
    } else {
        m_ownOpener = std::make_unique<DesktopFileOpener>();
        m_opener = m_ownOpener.get();
    }

    setObjectName(QStringLiteral("Morvex"));
    setWindowTitle(app::windowCaption());
    app::installViewButtonAccess();
    createControls();
    createMenus();
    m_runPanel = std::make_unique<app::RunPanel>(
        app::RunPanel::Controls{this,
                                m_Selection,
                                m_brontel,
                                m_MnuFile,
                                m_Mnusearch,
                                m_Mnubreak,
                                {m_mnuimport1, m_mnuimport2, m_mnuimport3},
                                [this](bool visible) { setViewButtonsVisible(visible); },
                                m_messages});
    startUp();
}

Morvex::~Morvex() = default;

QLabel* Morvex::newLabel(const QString& name, bool viewButton) {
    QLabel* label = viewButton ? new app::ViewButton(m_central) : new QLabel(m_central);
    // The mark comes before anything that tells assistive technology about the label, since the
    // first such event makes and keeps its accessible interface.
    if (viewButton) label->setProperty(app::kViewButtonProperty, true);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText); // captions such as "<ESC>" are text, not markup
    label->hide();
    return label;
}

QListWidget* Morvex::newPickList(const QString& name) {
    auto* list = new QListWidget(m_central);
    list->setObjectName(name);
    list->setSelectionMode(QAbstractItemView::MultiSelection);
    list->hide();
    list->installEventFilter(this);
    list->viewport()->installEventFilter(this);
    return list;
}

void Morvex::createControls() {
    m_central = new QWidget(this);
    m_central->setObjectName(QStringLiteral("clientArea"));
    m_central->setFont(designFont("Arial", 8.25));
    setBackground(m_central, Qt::white);
    m_central->setMouseTracking(true);
    m_central->installEventFilter(this);
    setCentralWidget(m_central);

    // Labels first: they lie beneath the text boxes and lists, as windowless labels do.
    createLabels();
    createViewButtons();
    createFieldsAndLists();
}

void Morvex::createLabels() {
    for (int i = 0; i < kCriteria; ++i) {
        QLabel* label = newLabel(controlName("labsel", i));
        label->setFont(designFont("Arial", 9.75, i == 1));
        setBackground(label, kLightGrey);
        label->setText(fromBytes(search::criterionLabel(i)));
        m_labsel[static_cast<std::size_t>(i)] = label;
    }
    m_labesc = newLabel(QStringLiteral("labesc"));
    m_labesc->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_labesc->setWordWrap(true);
    m_labesc->setMargin(3);
    setBackground(m_labesc, kRed);
    m_Labans = newLabel(QStringLiteral("Labans"));
    m_Labans->setMargin(3);
    setBackground(m_Labans, kLightGrey);
    m_labtitle = newLabel(QStringLiteral("labtitle"));
    m_labtitle->setFont(designFont("Arial", 8.25, true));
    m_labtitle->setAlignment(Qt::AlignCenter);
    m_labtitle->setMargin(3);
    setBackground(m_labtitle, kMagenta);
    m_labinfo = newLabel(QStringLiteral("labinfo"));
    m_labinfo->setFont(designFont("Arial", 18, true));
    m_labinfo->setAlignment(Qt::AlignCenter);
    m_labinfo->setMargin(4);
    m_labinfo->setMouseTracking(true);
    m_labinfo->installEventFilter(this);
    setBackground(m_labinfo, kMagenta);
    setAutoSizeCaption(m_labinfo, QStringLiteral("?"));
    m_labinfo->show();
    m_labselection = newLabel(QStringLiteral("labselection"));
    m_labselection->setMargin(3);
    setBackground(m_labselection, kMagenta);
}

void Morvex::createViewButtons() {
    for (int n = 0; n < 3; ++n) {
        QLabel* button = newLabel(QStringLiteral("labker%1").arg(n + 1), true);
        button->setFont(designFont("Arial", 8.25, true, true));
        button->setAlignment(Qt::AlignCenter);
        button->setWordWrap(true);
        button->setText(app::viewCaption(n));
        setBackground(button, Qt::white);
        setForeground(button, kMagenta);
        button->setCursor(Qt::PointingHandCursor);
        button->setMouseTracking(true);
        // Reached with Tab and pressed with Enter or Space; assistive technology sees a
        // button named by its caption (app/viewbuttonaccess.h).
        button->setFocusPolicy(Qt::StrongFocus);
        button->setAccessibleName(app::viewCaption(n));
        button->installEventFilter(this);
        m_labker[static_cast<std::size_t>(n)] = button;
    }
}

void Morvex::createFieldsAndLists() {
    for (int i = 0; i < kCriteria; ++i) {
        auto* field = new QLineEdit(m_central);
        field->setObjectName(controlName("Answer", i));
        field->setMouseTracking(true);
        field->installEventFilter(this);
        field->hide();
        m_Answer[static_cast<std::size_t>(i)] = field;
    }
    m_L0 = newPickList(QStringLiteral("L0"));
    m_L1 = newPickList(QStringLiteral("L1"));
    m_l2 = newPickList(QStringLiteral("l2"));
    m_l3 = newPickList(QStringLiteral("l3"));
    m_L4 = newPickList(QStringLiteral("L4"));
    m_L6 = newPickList(QStringLiteral("L6"));
    for (int k = 0; k < kCodeLists; ++k)
        m_L9[static_cast<std::size_t>(k)] = newPickList(controlName("L9", k));

    // Only the run writes here; Tab goes on to the view buttons.
    m_Selection = new app::ProgressBox(m_central);
    m_Selection->setObjectName(QStringLiteral("Selection"));
    m_Selection->setFont(designFont("MS Sans Serif", 8.25));
    m_Selection->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setBackground(m_Selection, Qt::white, QPalette::Base);
    m_Selection->viewport()->installEventFilter(this);
    m_Selection->hide();

    m_brontel = new QLineEdit(m_central);
    m_brontel->setObjectName(QStringLiteral("brontel"));
    m_brontel->installEventFilter(this);
    m_brontel->hide();
}

QAction* Morvex::newCommand(QWidget* owner, const char* name, const QString& caption) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    owner->addAction(action);
    return action;
}

void Morvex::createMenus() {
    setMenuBar(new AccessKeyMenuBar(this));
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("menuBar"));

    m_MnuFile = newCommand(bar, "MnuFile", QStringLiteral("Kervos_&File"));
    connect(m_MnuFile, &QAction::triggered, this, &Morvex::mnuFileClick);
    createSelectMenu(bar);
    m_Mnusearch = newCommand(bar, "Mnusearch", QStringLiteral("S&earch"));
    connect(m_Mnusearch, &QAction::triggered, this, &Morvex::mnusearchClick);
    m_Mnubreak = newCommand(bar, "Mnubreak", QStringLiteral("&Break"));
    m_Mnubreak->setEnabled(false);
    connect(m_Mnubreak, &QAction::triggered, this, &Morvex::mnubreakClick);
    createPickMenus(bar);
    createImportMenu(bar);
    createResultsMenu(bar);
    m_Mnuend = newCommand(bar, "Mnuend", QStringLiteral("&End"));
    connect(m_Mnuend, &QAction::triggered, this, &Morvex::mnuendClick);

    for (QAction* pick : m_mnupars)
        if (pick) pick->setVisible(false);
}

void Morvex::createSelectMenu(QMenuBar* bar) {
    m_MnuSelect = newSubmenu(bar, QStringLiteral("MnuSelect"), QStringLiteral("&Search Criteria"));
    connect(m_MnuSelect, &QMenu::aboutToShow, this, &Morvex::mnuSelectClick);
    for (int i = 0; i < kCriteria; ++i) {
        QAction* item = m_MnuSelect->addAction(app::criterionItem(i));
        item->setObjectName(controlName("mnusel", i));
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, i] { mnuselClick(i); });
        m_mnusel[static_cast<std::size_t>(i)] = item;
    }
    m_MnuSelect->addSeparator()->setObjectName(QStringLiteral("Mnudum1"));
    m_mnuatulma = newCommand(m_MnuSelect, "mnuatulma", QStringLiteral("Only cruises with data at ULMA"));
    m_mnuatulma->setCheckable(true);
    connect(m_mnuatulma, &QAction::triggered, this, &Morvex::mnuatulmaClick);
    m_mnunotatulma = newCommand(m_MnuSelect, "mnunotatulma", QStringLiteral("Only cruises with NO data at ULMA"));
    m_mnunotatulma->setCheckable(true);
    connect(m_mnunotatulma, &QAction::triggered, this, &Morvex::mnunotatulmaClick);
    // The filters of morvex-search, after the Parts' items.
    const struct {
        const char* name;
        const char* caption;
        app::FilterDialog::Part part;
    } filters[] = {{"mnudates", "Cruise &Dates...", app::FilterDialog::Part::Dates},
                   {"mnubox", "&Box of Longitude and Latitude...", app::FilterDialog::Part::Box},
                   {"mnusquares", "Marsden Squares by &Number...", app::FilterDialog::Part::Squares}};
    for (std::size_t f = 0; f < std::size(filters); ++f) {
        QAction* item = newCommand(m_MnuSelect, filters[f].name, QString::fromLatin1(filters[f].caption));
        item->setCheckable(true);
        const app::FilterDialog::Part part = filters[f].part;
        connect(item, &QAction::triggered, this, [this, part] { mnufilterClick(part); });
        m_mnufilters[f] = item;
    }
    m_MnuSelect->addSeparator()->setObjectName(QStringLiteral("Mnudum2"));
    m_mnuclear = newCommand(m_MnuSelect, "mnuclear", QStringLiteral("Clear All Criteria"));
    connect(m_mnuclear, &QAction::triggered, this, &Morvex::mnuclearClick);
}

void Morvex::createPickMenus(QMenuBar* bar) {
    auto pickCommand = [&](int i, const QString& caption) {
        QAction* action = newCommand(bar, "", caption);
        action->setObjectName(controlName("mnupars", i));
        connect(action, &QAction::triggered, this, [this, i] { mnuparsClick(i); });
        m_mnupars[static_cast<std::size_t>(i)] = action;
    };
    pickCommand(0, QStringLiteral("&Projects"));
    pickCommand(1, QStringLiteral("Co&untry"));

    // "&&" is how a menu caption shows an "&" that is not its access key.
    QMenu* areas = newSubmenu(bar, controlName("mnupars", 2), QStringLiteral("&Areas (MSQ && IHB)"));
    m_mnupars[2] = areas->menuAction();
    m_mnul3 = newCommand(areas, "mnul3", QStringLiteral("IHB Areas"));
    connect(m_mnul3, &QAction::triggered, this, &Morvex::mnul3Click);
    m_mnumars = newSubmenu(areas, QStringLiteral("mnumars"), QStringLiteral("Marsden Squares"));
    m_mnumars1 = newCommand(m_mnumars, "mnumars1", QStringLiteral("North Atlantic"));
    connect(m_mnumars1, &QAction::triggered, this, &Morvex::mnumars1Click);
    m_mnumars2 = newCommand(m_mnumars, "mnumars2", QStringLiteral("World"));
    connect(m_mnumars2, &QAction::triggered, this, &Morvex::mnumars2Click);

    pickCommand(3, QStringLiteral("&Operating Agency"));
    pickCommand(4, QStringLiteral("&Month"));
    pickCommand(6, QStringLiteral("&Ship/Platform Name"));
    createCodeMenu(bar);
}

void Morvex::createImportMenu(QMenuBar* bar) {
    m_MnuImport = newSubmenu(bar, QStringLiteral("MnuImport"), QStringLiteral("&Import"));
    m_mnuimport1 = newCommand(m_MnuImport, "mnuimport1", QStringLiteral("CSR &Records..."));
    connect(m_mnuimport1, &QAction::triggered, this, [this] { mnuimportClick(false); });
    m_mnuimport2 = newCommand(m_MnuImport, "mnuimport2", QStringLiteral("CSR Records in a &Folder..."));
    connect(m_mnuimport2, &QAction::triggered, this, [this] { mnuimportClick(true); });
    m_mnuimport3 = newCommand(m_MnuImport, "mnuimport3", QStringLiteral("&Update from Catalogue..."));
    connect(m_mnuimport3, &QAction::triggered, this, &Morvex::mnuharvestClick);
}

// Disabled until a completed run has selected forms.
void Morvex::createResultsMenu(QMenuBar* bar) {
    m_MnuResults = newSubmenu(bar, QStringLiteral("MnuResults"), QStringLiteral("&Results"));
    m_mnuresults1 = newCommand(m_MnuResults, "mnuresults1", QStringLiteral("Table of Selected Forms"));
    connect(m_mnuresults1, &QAction::triggered, this, &Morvex::mnuresults1Click);
    m_mnuresults2 = newCommand(m_MnuResults, "mnuresults2", QStringLiteral("Export Selected Forms..."));
    connect(m_mnuresults2, &QAction::triggered, this, &Morvex::mnuresults2Click);
    m_MnuResults->menuAction()->setEnabled(false);
}

void Morvex::createCodeMenu(QMenuBar* bar) {
    QMenu* codes = newSubmenu(bar, controlName("mnupars", 9), QStringLiteral("&Parameter Codes"));
    m_mnupars[search::kParameterCriterion] = codes->menuAction();
    for (int g = 0; g < 4; ++g) {
        QAction* item = codes->addAction(fromBytes(tables::RpTable::listCaption(g)));
        item->setObjectName(controlName("mnul9", g));
        connect(item, &QAction::triggered, this, [this, g] { mnul9Click(g); });
        m_mnul9[static_cast<std::size_t>(g)] = item;
    }
    QMenu* jgofs = newSubmenu(codes, controlName("mnul9", 4), QStringLiteral("&JGOFS/BODC Parameter Codes"));
    m_mnul9[4] = jgofs->menuAction();
    connect(jgofs, &QMenu::aboutToShow, this, [this] { mnul9Click(4); });
    for (int k = 0; k < kCodeLists - 4; ++k) {
        QAction* item = jgofs->addAction(fromBytes(tables::RpTable::listCaption(k + 4)));
        item->setObjectName(controlName("mnul9a", k));
        connect(item, &QAction::triggered, this, [this, k] { mnul9aClick(k); });
        m_mnul9a[static_cast<std::size_t>(k)] = item;
    }
}

// The measures of the start-up: twips per pixel, and the window's outer width W, height H
// and the width across it from its left edge, in twips.
struct Morvex::Layout {
    double twipsX = 0, twipsY = 0;
    double W = 0, H = 0, across = 0;
    int clientHeight = 0; // of the window below its menu bar, in pixels

    int pxX(double twips) const { return qRound(twips / twipsX); }
    int pxY(double twips) const { return qRound(twips / twipsY); }
    void place(QWidget* widget, double top, double left, double w, double h) const {
        widget->setGeometry(pxX(left), pxY(top), pxX(w), pxY(h));
    }
    void placeAt(QWidget* widget, double top, double left) const { widget->move(pxX(left), pxY(top)); }
};

// Places every control once, from the screen size in twips; nothing is laid out again.
void Morvex::startUp() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    Layout layout;
    layout.twipsX = kTwipsPerInch / screen->logicalDotsPerInchX(); // twips per pixel
    layout.twipsY = kTwipsPerInch / screen->logicalDotsPerInchY();
    const double screenW = screen->size().width() * layout.twipsX;
    const double screenH = screen->size().height() * layout.twipsY;

    // 1. Three quarters of the screen, centred; W, H and L are the outer size and left edge,
    // title bar and borders included, in whole pixels.
    const int widthPx = layout.pxX(0.75 * screenW);
    const int heightPx = layout.pxY(0.75 * screenH);
    const QRect frame(layout.pxX((screenW - widthPx * layout.twipsX) / 2),
                      layout.pxY((screenH - heightPx * layout.twipsY) / 2), widthPx, heightPx);
    create(); // the native window, whose frame some window systems report at once
    geo::placeFramed(this, frame);
    layout.W = frame.width() * layout.twipsX;
    layout.H = frame.height() * layout.twipsY;
    const double L = frame.x() * layout.twipsX;
    layout.across = layout.W - L;
    layout.clientHeight = height() - menuBar()->sizeHint().height();

    placeControls(layout);
    rpload();
    placePickLists(layout);
    placeInfoBoxes(layout);
}

// Steps 2 to 8 of the start-up.
void Morvex::placeControls(const Layout& l) {
    const double W = l.W, H = l.H, across = l.across;
    // 2. The prompt sits left of the lists, wrapped to the space before them, and ends above the
    // summary box (step 12), which can be shown with it, where its text fits there; where it
    // does not (large text on a small window), it takes the room below, under the summary box.
    const int promptWidth = l.pxX(0.24 * across);
    m_labesc->move(l.pxX(0.01 * across), l.pxY(0.1 * H));
    app::fitBox(m_labesc, app::escapePrompt(), QSize(promptWidth, 0),
                QSize(promptWidth, l.pxY(0.32 * H) - l.pxY(0.1 * H)));
    if (!m_labesc->toolTip().isEmpty())
        app::fitBox(m_labesc, app::escapePrompt(), QSize(promptWidth, 0),
                    QSize(promptWidth, l.clientHeight - m_labesc->y()));

    // 3. View buttons.
    for (int n = 0; n < 3; ++n)
        l.place(m_labker[static_cast<std::size_t>(n)], (0.4 + 0.1 * n) * H, 0.95 * across, 0.1 * W, 0.08 * H);
    m_viewButtonSize = m_labker[0]->size();
    // 4. Progress box.
    l.place(m_Selection, 0.4 * H, 0.3 * across, 0.5 * W, 0.35 * H);
    // 5. Criteria fields, all on one spot.
    for (QLineEdit* field : m_Answer)
        l.place(field, 0.05 * H, 0.3 * across, 0.3 * W, 0.05 * H);
    // 6. Help box.
    l.placeAt(m_Labans, 0.1 * H, 0.1 * across);
    // 7. Field labels: design height, width from the caption. The field covers the lower part
    // of its label, so the caption stands at the top, and where the part left above the field
    // is lower than the caption the label starts higher.
    // All ten keep one place.
    int captionHeight = 0;
    for (QLabel* label : m_labsel) {
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        captionHeight = qMax(captionHeight, label->sizeHint().height());
    }
    const int top = qMax(0, qMin(l.pxY(0.01 * H), m_Answer[0]->y() - captionHeight));
    for (QLabel* label : m_labsel)
        label->setGeometry(l.pxX(0.3 * across), top, label->sizeHint().width(), l.pxY(0.05 * H));
    // 8. Parameter-code lists.
    for (QListWidget* list : m_L9)
        l.place(list, 0.1 * H, 0.3 * across, 0.7 * W, 0.7 * H);
}

// 9. The six other pick lists: heading row, empty row, then the values from row 2.
void Morvex::placePickLists(const Layout& l) {
    struct PickList {
        QListWidget* list;
        double height, width, top, left;
        const tables::PickTable& table;
        void (Morvex::*loader)();
    };
    const PickList pickLists[] = {
        {m_L0, 0.4, 0.5, 0.1, 0.25, tables::projtable(), &Morvex::projload},
        {m_L1, 0.4, 0.5, 0.1, 0.25, tables::cunttable(), &Morvex::cuntload},
        {m_l2, 0.7, 0.3, 0.1, 0.3, tables::ihbtable(), &Morvex::ihbload},
        {m_l3, 0.7, 0.5, 0.1, 0.3, tables::agentable(), &Morvex::agenload},
        {m_L4, 0.7, 0.1, 0.1, 0.3, tables::monthtable(), &Morvex::monthload},
        {m_L6, 0.7, 0.5, 0.1, 0.3, tables::shiptable(), &Morvex::shipload},
    };
    for (const PickList& p : pickLists) {
        l.place(p.list, p.top * l.H, p.left * l.across, p.width * l.W, p.height * l.H);
        p.list->insertItem(0, fromBytes(p.table.heading));
        p.list->addItem(QString());
        (this->*p.loader)();
    }
}

// Steps 10 to 12 of the start-up, and the option box.
void Morvex::placeInfoBoxes(const Layout& l) {
    const double W = l.W, H = l.H, across = l.across;
    // 10. Title box, hidden until the mouse is over "?".
    l.placeAt(m_labtitle, 0.15 * H, 0.55 * across);
    setAutoSizeCaption(m_labtitle, app::titleText());
    m_labtitle->hide();
    // 11. Info sign.
    l.placeAt(m_labinfo, 0.05 * H, 1.1 * across);
    // 12. Summary box.
    l.placeAt(m_labselection, 0.32 * H, 0.01 * across);

    // The option box has no place of its own in the start-up; it sits under the "?" sign.
    l.place(m_brontel, 0.3 * H, 0.95 * across, 0.1 * W, 0.05 * H);
}

void Morvex::rpload() {
    for (int k = 0; k < kCodeLists; ++k)
        for (const std::string& row : m_rptable.listRows(k))
            m_L9[static_cast<std::size_t>(k)]->addItem(fromBytes(row));
}

namespace {
void appendValues(QListWidget* list, const tables::PickTable& table) {
    for (int r = 2; r <= table.lastValue; ++r)
        list->addItem(fromBytes(table.slots[static_cast<std::size_t>(r)]));
}
} // namespace

void Morvex::projload() {
    appendValues(m_L0, tables::projtable());
}
void Morvex::cuntload() {
    appendValues(m_L1, tables::cunttable());
}
void Morvex::ihbload() {
    appendValues(m_l2, tables::ihbtable());
}
void Morvex::agenload() {
    appendValues(m_l3, tables::agentable());
}
void Morvex::monthload() {
    appendValues(m_L4, tables::monthtable());
}
void Morvex::shipload() {
    appendValues(m_L6, tables::shiptable());
}

// Menu commands.

void Morvex::mnuFileClick() {
    chooseFiles(m_chooser->chooseFormFiles(this));
}

void Morvex::chooseFiles(const QStringList& chosen) {
    std::vector<std::string> paths;
    paths.reserve(static_cast<std::size_t>(chosen.size()));
    for (const QString& path : chosen)
        paths.push_back(pathBytes(path));
    std::string text;
    search::chooseFiles(paths, m_files, &text);
    if (text.empty()) return;
    // The window's error number first, then why in plain words.
    const QString reason = pathText(search::choiceFailureReason(paths));
    m_messages->message(
        this, app::fileChoiceRefusal(fromBytes(text), reason, paths.size() <= search::FileSelection::kMaxFiles));
}

void Morvex::mnuSelectClick() {
    for (int i = 0; i < kCriteria; ++i)
        m_mnusel[static_cast<std::size_t>(i)]->setChecked(
            !m_Answer[static_cast<std::size_t>(i)]->text().isEmpty());
}

void Morvex::mnuselClick(int i) {
    for (QLineEdit* field : m_Answer)
        field->hide();
    for (QLabel* label : m_labsel)
        label->hide();
    QLineEdit* field = m_Answer[static_cast<std::size_t>(i)];
    field->show();
    m_labsel[static_cast<std::size_t>(i)]->show();
    field->setFocus();
    for (QAction* pick : m_mnupars)
        if (pick) pick->setVisible(false);
    if (QAction* pick = m_mnupars[static_cast<std::size_t>(i)]) pick->setVisible(true);
}

// Qt has already reversed the item's own check mark; the other one is always cleared.
void Morvex::mnuatulmaClick() {
    m_mnunotatulma->setChecked(false);
}
void Morvex::mnunotatulmaClick() {
    m_mnuatulma->setChecked(false);
}

// A criterion in a field no longer shown stays in force; this is the clean slate. Texts that
// would be lost are asked about first.
void Morvex::mnuclearClick() {
    const bool typed = std::any_of(m_Answer.begin(), m_Answer.end(),
                                   [](const QLineEdit* field) { return !field->text().isEmpty(); }) ||
                       m_filterTexts.any();
    if (typed && !m_messages->ask(this, app::clearCriteriaQuestion())) return;
    for (QLineEdit* field : m_Answer)
        field->clear();
    m_mnuatulma->setChecked(false);
    m_mnunotatulma->setChecked(false);
    setFilters({}, {});
}

// The filters' dialog at the part of the item chosen; the filters change only on OK.
void Morvex::mnufilterClick(app::FilterDialog::Part part) {
    app::FilterDialog dialog(m_filterTexts, *m_messages, this);
    dialog.focusPart(part);
    if (dialog.exec() == QDialog::Accepted)
        setFilters(dialog.texts(), dialog.filters());
    else
        setFilters(m_filterTexts, m_filters); // the check marks as they were
}

void Morvex::setFilters(const app::FilterTexts& texts, const search::FormFilters& filters) {
    m_filterTexts = texts;
    m_filters = filters;
    m_mnufilters[0]->setChecked(filters.from || filters.to);
    m_mnufilters[1]->setChecked(filters.box.has_value());
    m_mnufilters[2]->setChecked(!filters.squares.empty());
    kemsqa::setFilterBox(filters.box ? std::optional(MapBox{filters.box->west, filters.box->south, filters.box->east,
                                                            filters.box->north})
                                     : std::nullopt);
}

// A box drawn on the world map becomes the box of the filters, the others kept.
void Morvex::mapBoxDrawn(double west, double south, double east, double north) {
    app::FilterTexts texts = m_filterTexts;
    const auto degrees = [](double d) { return QString::fromStdString(search::degreesText(d)); };
    texts.west = degrees(west);
    texts.south = degrees(south);
    texts.east = degrees(east);
    texts.north = degrees(north);
    search::FormFilters filters;
    QString err;
    if (!app::readFilters(texts, &filters, &err)) {
        m_messages->message(this, err);
        return;
    }
    setFilters(texts, filters);
}

// The form files imported become the chosen ones, as if chosen with "Kervos_&File".
void Morvex::mnuimportClick(bool fromFolder) {
    if (m_run || m_command) return;
    app::ImportCommand import({this,
                               m_Selection,
                               {m_MnuFile, m_Mnusearch, m_mnuimport1, m_mnuimport2, m_mnuimport3},
                               m_Mnubreak,
                               m_chooser,
                               m_messages});
    m_command = &import;
    const QStringList written = import.run(fromFolder);
    m_command = nullptr;
    afterCommand(written);
}

// The form files the harvest wrote become the chosen ones, as an import's do.
void Morvex::mnuharvestClick() {
    if (m_run || m_command) return;
    app::HarvestCommand harvest({this,
                                 m_Selection,
                                 {m_MnuFile, m_Mnusearch, m_mnuimport1, m_mnuimport2, m_mnuimport3},
                                 m_Mnubreak,
                                 m_chooser,
                                 m_messages});
    m_command = &harvest;
    const QStringList written = harvest.run();
    m_command = nullptr;
    afterCommand(written);
}

void Morvex::afterCommand(const QStringList& written) {
    if (!written.isEmpty()) chooseFiles(written);
    if (m_closeAfterImport) {
        m_closeAfterImport = false;
        close();
    }
}

void Morvex::mnusearchClick() {
    if (m_run || m_command) return;
    search::CriteriaSet criteria;
    for (int i = 0; i < kCriteria; ++i) {
        if (!toBytes(m_Answer[static_cast<std::size_t>(i)]->text(),
                     &criteria.texts[static_cast<std::size_t>(i)])) {
            m_messages->message(this, app::unsearchableRefusal(fromBytes(search::criterionLabel(i))));
            return;
        }
    }
    criteria.dataHeld = dataHeld();
    criteria.filters = m_filters;

    setLastResult(nullptr); // a new run empties the results window
    auto result = std::make_shared<app::RunResult>();
    result->disk = std::make_unique<search::DiskFileSystem>();
    search::DiskFileSystem& files = *result->disk;
    files.setFileHook([this] { m_runPanel->fileStep(); });
    reports::SquareCounts squares; // for the map window's picture of the result
    result->table = std::make_unique<exports::ResultTable>(files, &m_rptable, m_files.paths);
    result->criteria = criteria;
    result->files = m_files;
    reports::ReportRun run(*m_runPanel, files, m_rptable, {&squares, result->table.get()});
    result->table->follow(run.reports());
    m_run = &run.searchRun();
    m_runPanel->begin();
    const search::RunOutcome outcome = run.run(m_files, criteria);
    m_run = nullptr;
    result->table->finish();
    files.setFileHook({});
    if (outcome == search::RunOutcome::Completed) {
        kemsqa::setLastResult(squares.formsBySquare());
        // A table that could not keep its forms says why.
        if (result->table->size() > 0 || !result->table->failure().empty()) {
            result->ranks = std::make_unique<exports::ResultRanks>(*result->table);
            setLastResult(std::move(result));
        }
    }
    m_runPanel->end();
    if (m_runPanel->closing()) {
        close();
        m_runPanel->setClosing(false);
    }
}

search::DataHeld Morvex::dataHeld() const {
    if (m_mnuatulma->isChecked()) return search::DataHeld::AtUlma;
    if (m_mnunotatulma->isChecked()) return search::DataHeld::NotAtUlma;
    return search::DataHeld::Any;
}

void Morvex::mnubreakClick() {
    if (m_run) m_run->requestBreak();
    if (m_command) m_command->requestStop();
}

void Morvex::mnuendClick() {
    close();
}

app::ResultsWindow* Morvex::resultsWindow() const {
    return m_resultsWindow;
}

void Morvex::setLastResult(std::shared_ptr<app::RunResult> result) {
    m_lastResult = std::move(result);
    m_MnuResults->menuAction()->setEnabled(m_lastResult != nullptr);
    if (m_resultsWindow) m_resultsWindow->setResult(m_lastResult);
}

void Morvex::mnuresults1Click() {
    if (!m_lastResult) return;
    if (!m_resultsWindow) {
        m_resultsWindow = new app::ResultsWindow({m_chooser, m_messages, m_opener}, m_rptable, this);
        m_resultsWindow->setAttribute(Qt::WA_DeleteOnClose);
        m_resultsWindow->setResult(m_lastResult);
    }
    m_resultsWindow->show();
    m_resultsWindow->raise();
    m_resultsWindow->activateWindow();
}

// All forms of the result, from the results window whether or not it is shown.
void Morvex::mnuresults2Click() {
    if (!m_lastResult) return;
    app::ResultsWindow exporter({m_chooser, m_messages, m_opener}, m_rptable, this);
    exporter.setResult(m_lastResult);
    exporter.exportForms(app::ResultsWindow::Scope::All);
}

void Morvex::closeEvent(QCloseEvent* event) {
    // The run is inside the Search handler below this event; stop it first and close when it has returned.
    if (m_run) {
        m_run->requestBreak();
        m_runPanel->setClosing(true);
        event->ignore();
        return;
    }
    if (m_command) {
        m_command->requestStop();
        m_closeAfterImport = true;
        event->ignore();
        return;
    }
    if (m_resultsWindow) m_resultsWindow->close();
    QMainWindow::closeEvent(event);
}

// Pick lists.

// The list takes the keyboard however it was opened, so that Escape (which the prompt asks
// for) ends the selection at once; Up, Down and Space mark rows without the mouse.
void Morvex::showPickList(QListWidget* list) {
    list->show();
    list->raise();
    m_MnuSelect->menuAction()->setEnabled(false);
    m_labesc->show();
    list->setFocus(Qt::OtherFocusReason);
}

void Morvex::mnuparsClick(int i) {
    switch (i) {
    case 0:
        showPickList(m_L0);
        break;
    case 1:
        showPickList(m_L1);
        break;
    case 3:
        showPickList(m_l3);
        break;
    case 4:
        showPickList(m_L4);
        break;
    case 6:
        showPickList(m_L6);
        break;
    default:
        break;
    }
}

void Morvex::mnul3Click() {
    showPickList(m_l2);
}

void Morvex::mnumars1Click() {
    kemsqa::open(m_Answer[2]);
}

void Morvex::mnumars2Click() {
    kemsqa* map = kemsqa::open(geo::worldRegion(), m_Answer[2]);
    connect(map, &kemsqa::boxDrawn, this, &Morvex::mapBoxDrawn, Qt::UniqueConnection);
}

void Morvex::mnul9Click(int group) {
    for (int k = 0; k <= 4; ++k)
        m_L9[static_cast<std::size_t>(k)]->hide();
    if (group < 4) showPickList(m_L9[static_cast<std::size_t>(group)]);
}

void Morvex::mnul9aClick(int item) {
    for (QListWidget* list : m_L9)
        list->hide();
    showPickList(m_L9[static_cast<std::size_t>(item) + 4]);
}

void Morvex::pickListPress(QListWidget* list, QPoint pos) {
    if (QListWidgetItem* row = list->itemAt(pos)) row->setSelected(!row->isSelected());
}

bool Morvex::pickListKeyPress(QListWidget* list, int key) {
    if (key != Qt::Key_Escape) return false;
    if (list == m_L0)
        endPick(list, 0, false);
    else if (list == m_L1)
        endPick(list, 1, false);
    else if (list == m_l2)
        endPick(list, 2, true);
    else if (list == m_l3)
        endPick(list, 3, false);
    else if (list == m_L4)
        endPick(list, 4, false);
    else if (list == m_L6)
        endPick(list, 6, false);
    else
        for (int k = 0; k < kCodeLists; ++k)
            if (list == m_L9[static_cast<std::size_t>(k)]) endParameterPick(k);
    return true;
}

// Each Escape adds the rows marked at that moment to what the field already holds.
void Morvex::endPick(QListWidget* list, int field, bool ihbCodes) {
    list->hide();
    m_labesc->hide();
    m_MnuSelect->menuAction()->setEnabled(true);
    QString pick;
    for (int r = 2; r < list->count(); ++r) {
        const QListWidgetItem* row = list->item(r);
        if (!row->isSelected()) continue;
        pick += ihbCodes ? QStringLiteral("IHB") + row->text().left(3) : row->text();
        pick += QStringLiteral(" OR ");
    }
    QLineEdit* answer = m_Answer[static_cast<std::size_t>(field)];
    if (!pick.isEmpty()) {
        pick.chop(4);
        answer->setText(answer->text().isEmpty() ? pick : answer->text() + QStringLiteral(" OR ") + pick);
    }
    returnToField(answer);
}

// After a pick list the field has the keyboard, its cursor after its text and nothing selected,
// so that the next key adds to the text rather than replacing it.
void Morvex::returnToField(QLineEdit* field) {
    if (field->isVisible()) field->setFocus(Qt::OtherFocusReason);
    field->deselect();
    field->end(false);
}

// The parameter field always holds exactly the codes marked in all 18 lists.
void Morvex::endParameterPick(int list) {
    QLineEdit* answer = m_Answer[search::kParameterCriterion];
    answer->clear();
    m_L9[static_cast<std::size_t>(list)]->hide();
    m_labesc->hide();
    m_MnuSelect->menuAction()->setEnabled(true);
    QString codes;
    for (int k = 0; k < kCodeLists; ++k) {
        const QListWidget* rows = m_L9[static_cast<std::size_t>(k)];
        const int width = tables::RpTable::listCodeWidth(k);
        for (int r = 0; r < rows->count(); ++r)
            if (rows->item(r)->isSelected())
                codes += rows->item(r)->text().left(width) + QStringLiteral(" OR ");
    }
    codes.chop(4);
    answer->setText(codes);
    returnToField(answer);
}

// Pop-up texts and result viewing.

// From a control's top left corner to the bottom right corner of the window.
QSize Morvex::roomFrom(const QWidget* control) const {
    return QSize(m_central->width() - control->x(), m_central->height() - control->y());
}

void Morvex::showHelp(const QString& text) {
    app::fitCaption(m_Labans, text, roomFrom(m_Labans));
    m_Labans->show();
}

void Morvex::formMouseMove() {
    m_Labans->hide();
    hideInfoBoxes();
}

// The pop-ups follow the pointer: one that reaches a field or a view button has left the "?",
// whether it crossed the bare window on its way or jumped.
void Morvex::hideInfoBoxes() {
    m_labtitle->hide();
    m_labselection->hide();
}

void Morvex::answerMouseMove(int i) {
    hideInfoBoxes();
    showHelp(app::fieldHelp(i));
}

// The title and summary boxes lie over every other control while they are shown.
void Morvex::labinfoMouseMove() {
    app::fitCaption(m_labtitle, app::titleText(), roomFrom(m_labtitle));
    m_labtitle->raise();
    m_labtitle->show();
    std::array<QString, kCriteria> fields;
    for (int i = 0; i < kCriteria; ++i)
        fields[static_cast<std::size_t>(i)] = m_Answer[static_cast<std::size_t>(i)]->text();
    m_labselection->raise();
    m_labselection->show();
    app::fitCaption(m_labselection,
                    app::selectionSummary(fromBytes(m_files.yearsLabel), fields, dataHeld(), m_filters.describe()),
                    roomFrom(m_labselection));
}

void Morvex::labinfoDblClick() {
    m_brontel->show();
}

void Morvex::labkerClick(int button) {
    const search::OutputPaths& paths = m_files.paths;
    const std::string& path = button == 0 ? paths.heads : button == 1 ? paths.forms : paths.csv;
    HyperJump(pathText(path));
}

void Morvex::labkerMouseMove(int button) {
    hideInfoBoxes();
    showHelp(app::viewHelp(button));
}

void Morvex::selectionDblClick() {
    m_Selection->hide();
}

void Morvex::brontelDblClick() {
    m_brontel->hide();
}

void Morvex::HyperJump(const QString& path) {
    m_opener->openFile(path);
}

// The view button or criteria field an object is, -1 when it is none of them.
int Morvex::viewButtonIndex(const QObject* watched) const {
    for (int n = 0; n < 3; ++n)
        if (watched == m_labker[static_cast<std::size_t>(n)]) return n;
    return -1;
}

int Morvex::answerIndex(const QObject* watched) const {
    for (int i = 0; i < kCriteria; ++i)
        if (watched == m_Answer[static_cast<std::size_t>(i)]) return i;
    return -1;
}

bool Morvex::eventFilter(QObject* watched, QEvent* event) {
    std::optional<bool> filtered;
    switch (event->type()) {
    case QEvent::MouseMove:
        filtered = mouseMoveFilter(watched, static_cast<QMouseEvent*>(event));
        break;
    case QEvent::MouseButtonRelease:
        filtered = mouseReleaseFilter(watched, static_cast<QMouseEvent*>(event));
        break;
    case QEvent::MouseButtonDblClick:
        filtered = doubleClickFilter(watched, static_cast<QMouseEvent*>(event));
        break;
    case QEvent::KeyPress:
        filtered = keyPressFilter(watched, static_cast<QKeyEvent*>(event)->key());
        break;
    default:
        break;
    }
    return filtered ? *filtered : QMainWindow::eventFilter(watched, event);
}

std::optional<bool> Morvex::mouseMoveFilter(QObject* watched, const QMouseEvent* move) {
    if (watched == m_central) {
        // Moves over a label reach the window too; only the bare window hides the pop-ups.
        if (!m_central->childAt(move->position().toPoint())) formMouseMove();
        return false;
    }
    if (watched == m_labinfo) {
        labinfoMouseMove();
        return false;
    }
    if (const int n = viewButtonIndex(watched); n >= 0) {
        labkerMouseMove(n);
        return false;
    }
    if (const int i = answerIndex(watched); i >= 0) {
        answerMouseMove(i);
        return false;
    }
    return std::nullopt;
}

std::optional<bool> Morvex::mouseReleaseFilter(QObject* watched, const QMouseEvent* click) {
    const int n = viewButtonIndex(watched);
    if (n >= 0 && click->button() == Qt::LeftButton &&
        m_labker[static_cast<std::size_t>(n)]->rect().contains(click->position().toPoint())) {
        labkerClick(n);
        return true;
    }
    return std::nullopt;
}

std::optional<bool> Morvex::doubleClickFilter(QObject* watched, const QMouseEvent* click) {
    // The second press of a quick double press toggles its row as the first did.
    if (auto* list = qobject_cast<QListWidget*>(watched->parent()); list && watched == list->viewport()) {
        pickListPress(list, click->position().toPoint());
        return true;
    }
    if (watched == m_labinfo) {
        labinfoDblClick();
        return true;
    }
    if (watched == m_Selection->viewport()) {
        selectionDblClick();
        return true;
    }
    if (watched == m_brontel) {
        brontelDblClick();
        return true;
    }
    return std::nullopt;
}

std::optional<bool> Morvex::keyPressFilter(QObject* watched, int key) {
    if (auto* list = qobject_cast<QListWidget*>(watched)) return pickListKeyPress(list, key);
    const int n = viewButtonIndex(watched);
    if (n >= 0 && (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)) {
        labkerClick(n);
        return true;
    }
    return std::nullopt;
}

search::RunHost& Morvex::runHost() {
    return *m_runPanel;
}

// A caption that does not fit the designed box takes more of the width to the window's edge,
// then more of the height down to the next button.
void Morvex::setViewButtonsVisible(bool visible) {
    const int pitch = m_labker[1]->y() - m_labker[0]->y();
    for (int n = 0; n < 3; ++n) {
        QLabel* button = m_labker[static_cast<std::size_t>(n)];
        if (visible)
            app::fitBox(button, app::viewCaption(n), m_viewButtonSize,
                        QSize(roomFrom(button).width(), pitch));
        button->setVisible(visible);
    }
}
