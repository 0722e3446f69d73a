// The selected forms of the last completed run in a window of their own.
#include "app/resultswindow.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTableView>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <optional>

#include "app/celldelegate.h"
#include "app/resultmodel.h"
#include "app/textbridge.h"
#include "exports/formats.h"
#include "geo/kemsqa.h"
#include "search/filesystem.h"

namespace app {

namespace {

// A full form larger than this is shown up to here; the browser shows it all.
constexpr std::size_t kMostFormBytes = 1 << 20;

QString latin(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Rows whose texts decide how wide each column starts, and the most characters it starts with.
constexpr int kMeasuredRows = 100;
constexpr int kWidestStart = 60;

QString countText(int shown, int total) {
    return QStringLiteral("%1 of %2 forms").arg(QLocale().toString(shown), QLocale().toString(total));
}

} // namespace

std::string readFullForm(const std::string& path, const reports::ReportPart& part, long long selection,
                         std::string* why) {
    const std::string changed =
        "The full forms report " + path + " has changed since the search; search again to read the form here.";
    if (part.empty()) {
        *why = "The full forms report holds no forms of this search: the option box asked for one line of each.";
        return {};
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *why = changed;
        return {};
    }
    std::string bytes(static_cast<std::size_t>(std::min<std::uint64_t>(part.end - part.begin, kMostFormBytes)), '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::pread(fd, bytes.data() + got, bytes.size() - got, static_cast<off_t>(part.begin + got));
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    // The form's part begins with its table and the anchor of its selection number.
    const std::string anchor = "<A name=\"" + std::to_string(selection) + "\">";
    if (got < bytes.size() || bytes.find(anchor) > 400) {
        *why = changed;
        return {};
    }
    if (part.end - part.begin > kMostFormBytes)
        bytes += "<P><B>The form goes on in the full forms report: Open in Browser shows it all.</B>";
    return bytes;
}

ResultsWindow::ResultsWindow(const WindowServices& services, const tables::RpTable& table, QWidget* parent)
    : QWidget(parent, Qt::Window), m_services(services), m_rptable(table), m_model(std::make_unique<ResultModel>()) {
    setObjectName(QStringLiteral("resultsWindow"));
    setWindowTitle(QStringLiteral("Selected Forms"));
    setAccessibleName(QStringLiteral("Selected Forms"));
    for (std::size_t c = 0; c < m_shownColumns.size(); ++c)
        m_shownColumns[c] = exports::resultColumns()[c].shownAtFirst;
    createControls();
    if (const QScreen* screen = QApplication::primaryScreen()) {
        const QRect room = screen->availableGeometry();
        resize(room.width() * 3 / 4, room.height() * 3 / 4);
    }
}

ResultsWindow::~ResultsWindow() {
    m_table->setModel(nullptr);
    kemsqa::setOutlined({});
}

void ResultsWindow::createControls() {
    createTable();
    auto* filterLabel = new QLabel(QStringLiteral("&Filter:"), this);
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("filter"));
    m_filter->setAccessibleName(QStringLiteral("Filter"));
    m_filter->setClearButtonEnabled(true);
    m_filter->setPlaceholderText(QStringLiteral("Text in any shown column"));
    filterLabel->setBuddy(m_filter);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("count"));
    connect(m_filter, &QLineEdit::textChanged, this, &ResultsWindow::applyFilter);

    m_form = new QTextBrowser(this);
    m_form->setObjectName(QStringLiteral("form"));
    m_form->setAccessibleName(QStringLiteral("Form of the current row"));
    m_form->setOpenLinks(false);
    m_form->setTabChangesFocus(true);

    m_openForm = new QPushButton(QStringLiteral("&Open in Browser"), this);
    m_openForm->setObjectName(QStringLiteral("openForm"));
    connect(m_openForm, &QPushButton::clicked, this, &ResultsWindow::openCurrentForm);
    auto* scopeLabel = new QLabel(QStringLiteral("E&xport:"), this);
    m_scope = new QComboBox(this);
    m_scope->setObjectName(QStringLiteral("scope"));
    m_scope->setAccessibleName(QStringLiteral("Forms to export"));
    m_scope->addItems({QStringLiteral("All forms"), QStringLiteral("Forms shown"), QStringLiteral("Selected rows")});
    scopeLabel->setBuddy(m_scope);
    m_export = new QPushButton(QStringLiteral("&Export..."), this);
    m_export->setObjectName(QStringLiteral("export"));
    connect(m_export, &QPushButton::clicked, this,
            [this] { exportForms(static_cast<Scope>(m_scope->currentIndex())); });

    auto* top = new QHBoxLayout;
    top->addWidget(filterLabel);
    top->addWidget(m_filter, 1);
    top->addWidget(m_count);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_table);
    splitter->addWidget(m_form);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    splitter->setChildrenCollapsible(false);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_openForm);
    bottom->addStretch(1);
    bottom->addWidget(scopeLabel);
    bottom->addWidget(m_scope);
    bottom->addWidget(m_export);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(splitter, 1);
    layout->addLayout(bottom);
    setTabOrder(m_filter, m_table);
    setTabOrder(m_table, m_form);
    setTabOrder(m_form, m_openForm);
    setTabOrder(m_openForm, m_scope);
    setTabOrder(m_scope, m_export);
    showCount();
}

// The table: rows of one height, columns sized to their headings, sorted by a click on one.
void ResultsWindow::createTable() {
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("table"));
    m_table->setAccessibleName(QStringLiteral("Selected forms"));
    m_table->setModel(m_model.get());
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setTabKeyNavigation(false);
    m_table->setWordWrap(false);
    m_table->setAlternatingRowColors(true);
    m_table->verticalHeader()->hide();
    // Rows of one height let the view skip measuring them: a result of any size scrolls at once.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    QHeaderView* header = m_table->horizontalHeader();
    header->setSectionsMovable(true);
    header->setSortIndicator(-1, Qt::AscendingOrder); // selection order until a heading is clicked
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this, &ResultsWindow::showColumnMenu);
    for (int c = 0; c < exports::kResultColumnCount; ++c)
        m_table->setColumnHidden(c, !exports::resultColumns()[static_cast<std::size_t>(c)].shownAtFirst);
    m_table->setItemDelegate(new CellDelegate(m_table));
    m_table->setSortingEnabled(true);
    fitColumns();
    // The heading is out of the Tab chain: the table's own menu (the Menu key, Shift+F10 or a
    // right click) sorts from the keyboard.
    m_table->installEventFilter(this);
    m_table->viewport()->installEventFilter(this);
    connect(m_table, &QAbstractItemView::activated, this, &ResultsWindow::openCurrentForm);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &ResultsWindow::showCurrentForm);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this, &ResultsWindow::outlineChosenRows);
    connect(m_model.get(), &QAbstractItemModel::modelReset, this, &ResultsWindow::outlineChosenRows);
}

void ResultsWindow::setResult(std::shared_ptr<RunResult> result) {
    m_result = std::move(result);
    m_model->setTable(m_result ? m_result->table.get() : nullptr, m_result ? m_result->ranks.get() : nullptr);
    m_table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    fitColumns();
    QString title = QStringLiteral("Selected Forms");
    if (m_result) title += QLatin1Char(' ') + fromBytes(m_result->files.yearsLabel);
    setWindowTitle(title);
    if (!m_filter->text().isEmpty())
        m_filter->clear(); // applies the empty filter
    else
        applyFilter();
    if (m_model->rowCount() > 0) m_table->setCurrentIndex(m_model->index(0, 0));
    showCurrentForm();
    m_openForm->setEnabled(m_result != nullptr);
    m_export->setEnabled(m_result != nullptr);
}

// Each column as wide as its widest text among the first rows, its heading with the sort mark
// and, for dates, a whole date; at most kWidestStart characters, a longer text being cut, with
// its whole text as the cell's tooltip.
void ResultsWindow::fitColumns() {
    m_table->ensurePolished(); // its font is the one it is drawn with only from then on
    const QFontMetrics metrics = m_table->fontMetrics();
    QHeaderView* header = m_table->horizontalHeader();
    const int rows = std::min(m_model->rowCount(), kMeasuredRows);
    const int widest = metrics.averageCharWidth() * kWidestStart;
    for (int c = 0; c < exports::kResultColumnCount; ++c) {
        int text = exports::resultColumns()[static_cast<std::size_t>(c)].kind == exports::ColumnKind::Date
                       ? metrics.horizontalAdvance(QStringLiteral("0000-00-00"))
                       : 0;
        for (int r = 0; r < rows; ++r)
            text = std::max(text, metrics.horizontalAdvance(m_model->index(r, c).data().toString()));
        const int cell = std::min(text, widest) + CellDelegate::textMargins(m_table);
        // A hidden section has no size hint; it keeps the size it is given for when it is shown.
        const bool hidden = header->isSectionHidden(c);
        if (hidden) header->showSection(c);
        header->resizeSection(c, std::max(cell, header->sectionSizeHint(c)));
        if (hidden) header->hideSection(c);
    }
}

// The table's menu: at the pointer for a right click, at the current cell from the keyboard.
bool ResultsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_table && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
            showTableMenu(std::nullopt);
            return true;
        }
    }
    if (watched == m_table->viewport() && event->type() == QEvent::ContextMenu) {
        const auto* menu = static_cast<QContextMenuEvent*>(event);
        showTableMenu(menu->reason() == QContextMenuEvent::Mouse ? std::optional(menu->pos()) : std::nullopt);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// Sorting by the current column from the keyboard: again, the other way; or by any shown column.
void ResultsWindow::showTableMenu(std::optional<QPoint> at) {
    if (!at) {
        const QRect cell = m_table->visualRect(m_table->currentIndex());
        at = m_table->viewport()->rect().contains(cell.center()) ? cell.center() : m_table->viewport()->rect().center();
    }
    QMenu menu(this);
    const QModelIndex current = m_table->currentIndex();
    if (current.isValid()) {
        const int column = current.column();
        QAction* sort = menu.addAction(QStringLiteral("&Sort by ") +
                                       latin(exports::resultColumns()[static_cast<std::size_t>(column)].title));
        sort->setObjectName(QStringLiteral("sortByCurrent"));
        connect(sort, &QAction::triggered, this, [this, column] { sortBy(column); });
    }
    QMenu* by = menu.addMenu(QStringLiteral("Sort &by"));
    by->setObjectName(QStringLiteral("sortBy"));
    for (int c = 0; c < exports::kResultColumnCount; ++c) {
        if (!m_shownColumns[static_cast<std::size_t>(c)]) continue;
        QAction* item = by->addAction(latin(exports::resultColumns()[static_cast<std::size_t>(c)].title));
        connect(item, &QAction::triggered, this, [this, c] { sortBy(c); });
    }
    menu.exec(m_table->viewport()->mapToGlobal(*at));
}

// As a click on the column's heading: ascending, or the other way when already sorted by it.
void ResultsWindow::sortBy(int column) {
    const QHeaderView* header = m_table->horizontalHeader();
    const bool again = header->sortIndicatorSection() == column;
    const Qt::SortOrder order =
        again && header->sortIndicatorOrder() == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_table->sortByColumn(column, order);
}

void ResultsWindow::showColumnMenu(const QPoint& at) {
    QMenu menu(this);
    int shown = 0;
    for (bool s : m_shownColumns)
        shown += s ? 1 : 0;
    for (int c = 0; c < exports::kResultColumnCount; ++c) {
        QAction* item = menu.addAction(latin(exports::resultColumns()[static_cast<std::size_t>(c)].title));
        item->setCheckable(true);
        item->setChecked(m_shownColumns[static_cast<std::size_t>(c)]);
        item->setEnabled(!(item->isChecked() && shown == 1)); // one column stays
        connect(item, &QAction::toggled, this, [this, c](bool on) { setColumnShown(c, on); });
    }
    menu.exec(m_table->horizontalHeader()->mapToGlobal(at));
}

void ResultsWindow::setColumnShown(int column, bool shown) {
    m_shownColumns[static_cast<std::size_t>(column)] = shown;
    m_table->setColumnHidden(column, !shown);
    applyFilter(); // the filter looks in the shown columns only
}

void ResultsWindow::applyFilter() {
    // The chosen rows and the current one stay chosen where the filter still shows them.
    std::vector<std::uint32_t> chosen;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
        chosen.push_back(m_model->tableRow(index.row()));
    const QModelIndex current = m_table->currentIndex();
    const std::optional<std::uint32_t> currentForm =
        current.isValid() ? std::optional(m_model->tableRow(current.row())) : std::nullopt;
    m_model->setFilter(m_filter->text(), m_shownColumns);
    if (!chosen.empty() || currentForm) restoreChosenRows(chosen, currentForm);
    showCount();
    if (m_model->rowCount() > 0 && !m_table->currentIndex().isValid()) m_table->setCurrentIndex(m_model->index(0, 0));
    showCurrentForm();
}

void ResultsWindow::restoreChosenRows(const std::vector<std::uint32_t>& chosen,
                                      std::optional<std::uint32_t> currentForm) {
    const std::vector<std::uint32_t>& shown = m_model->shownRows();
    std::vector<int> placeOf(static_cast<std::size_t>(m_model->total()), -1);
    for (std::size_t i = 0; i < shown.size(); ++i)
        placeOf[shown[i]] = static_cast<int>(i);
    std::vector<int> places;
    for (std::uint32_t form : chosen)
        if (placeOf[form] >= 0) places.push_back(placeOf[form]);
    std::sort(places.begin(), places.end());
    QItemSelection selection;
    const int lastColumn = m_model->columnCount() - 1;
    for (std::size_t i = 0; i < places.size();) {
        std::size_t end = i + 1; // a run of neighbouring rows is one range
        while (end < places.size() && places[end] == places[end - 1] + 1)
            ++end;
        selection.select(m_model->index(places[i], 0), m_model->index(places[end - 1], lastColumn));
        i = end;
    }
    QItemSelectionModel* model = m_table->selectionModel();
    if (currentForm && placeOf[*currentForm] >= 0)
        model->setCurrentIndex(m_model->index(placeOf[*currentForm], 0), QItemSelectionModel::NoUpdate);
    model->select(selection, QItemSelectionModel::ClearAndSelect);
}

void ResultsWindow::showCount() {
    QString text = countText(m_model->rowCount(), m_model->total());
    // Forms that could not be kept are missing from the table: it says so, and why.
    if (m_result && !m_result->table->failure().empty())
        text += QStringLiteral("; not all selected forms are here: ") + fromBytes(m_result->table->failure());
    m_count->setText(text);
}

void ResultsWindow::showCurrentForm() {
    const QModelIndex current = m_table->currentIndex();
    if (!m_result || !current.isValid()) {
        m_form->clear();
        return;
    }
    const std::uint32_t row = m_model->tableRow(current.row());
    const exports::ResultTable& table = *m_result->table;
    std::string why;
    const std::string html = readFullForm(m_result->files.paths.forms, table.fullForm(row), table.selection(row), &why);
    if (html.empty())
        m_form->setPlainText(fromBytes(why));
    else
        m_form->setHtml(fromBytes(html));
}

void ResultsWindow::outlineChosenRows() {
    std::vector<int> squares;
    if (m_result) {
        for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
            for (std::int16_t square : m_result->table->squares(m_model->tableRow(index.row())))
                squares.push_back(square);
    }
    kemsqa::setOutlined(std::move(squares));
}

void ResultsWindow::openCurrentForm() {
    const QModelIndex current = m_table->currentIndex();
    if (!m_result || !current.isValid()) return;
    const long long selection = m_result->table->selection(m_model->tableRow(current.row()));
    m_services.opener->openFileAt(pathText(m_result->files.paths.forms), QString::number(selection));
}

std::vector<std::uint32_t> ResultsWindow::rowsOf(Scope scope) const {
    std::vector<std::uint32_t> rows;
    switch (scope) {
    case Scope::All:
        rows.resize(m_result->table->size());
        for (std::size_t i = 0; i < rows.size(); ++i)
            rows[i] = static_cast<std::uint32_t>(i);
        break;
    case Scope::Shown:
        rows = m_model->shownRows();
        break;
    case Scope::Chosen: {
        // In the order shown.
        QModelIndexList chosen = m_table->selectionModel()->selectedRows();
        std::sort(chosen.begin(), chosen.end(),
                  [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
        for (const QModelIndex& index : chosen)
            rows.push_back(m_model->tableRow(index.row()));
        break;
    }
    }
    return rows;
}

bool ResultsWindow::exportForms(Scope scope) {
    if (!m_result) return false;
    const std::vector<std::uint32_t> rows = rowsOf(scope);
    if (rows.empty()) {
        m_services.messages->message(this, scope == Scope::Chosen
                                               ? QStringLiteral("No rows are selected: there is nothing to export.")
                                               : QStringLiteral("No forms are shown: there is nothing to export."));
        return false;
    }
    const QString folder = QFileInfo(pathText(m_result->files.paths.forms)).absolutePath();
    const QString chosen = m_services.files->chooseExportFile(this, folder + QStringLiteral("/selected-forms.csv"));
    if (chosen.isEmpty()) return false;
    std::string err;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool written = writeExport(pathBytes(chosen), rows, &err);
    QApplication::restoreOverrideCursor();
    if (!written)
        m_services.messages->message(this, QStringLiteral("The export was not written.\n\n") + fromBytes(err));
    return written;
}

bool ResultsWindow::writeExport(const std::string& path, const std::vector<std::uint32_t>& rows, std::string* err) {
    if (!exports::Export::knownExtension(path)) {
        *err = path + ": the name must end in " + exports::extensionList("or") + ", the format to write";
        return false;
    }
    search::DiskFileSystem files;
    const search::OutputPaths& paths = m_result->files.paths;
    if (!exports::Export::distinctFiles(files, exports::Export::filesOf(path), m_result->files.files,
                                        {paths.forms, paths.heads, paths.csv, paths.extraction, paths.pending}, err))
        return false;
    const exports::ExportContext context{m_result->criteria, m_result->files.yearsLabel, &m_rptable};
    std::unique_ptr<exports::Export> e = exports::Export::make(files, path, context, err);
    if (!e) return false;
    return m_result->table->exportRows(rows, *e, err);
}

} // namespace app
