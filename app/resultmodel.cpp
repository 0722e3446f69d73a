// The rows of the last run's result as a Qt table model.
#include "app/resultmodel.h"

#include "app/textbridge.h"

namespace app {

namespace {

const std::vector<std::uint32_t> kNoRows;

// At most limit characters of a cell, with "…" where it is cut.
QString cellText(std::string_view bytes, int limit) {
    // A Windows-1252 byte is one character, so the cut is made on the bytes.
    const auto room = static_cast<std::size_t>(limit);
    if (bytes.size() <= room) return fromBytes(bytes);
    return fromBytes(bytes.substr(0, room)) + QChar(0x2026);
}

} // namespace

void ResultModel::setTable(const exports::ResultTable* table, exports::ResultRanks* ranks) {
    beginResetModel();
    m_table = table;
    m_nothing = false;
    if (table)
        m_view.emplace(*table, ranks);
    else
        m_view.reset();
    endResetModel();
}

const std::vector<std::uint32_t>& ResultModel::shownRows() const {
    return m_view && !m_nothing ? m_view->rows() : kNoRows;
}

int ResultModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shownRows().size());
}

int ResultModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : exports::kResultColumnCount;
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
    if (!m_table || !index.isValid() || index.row() >= rowCount()) return {};
    const auto& column = exports::resultColumns()[static_cast<std::size_t>(index.column())];
    switch (role) {
    case Qt::DisplayRole:
        return cellText(m_table->cell(tableRow(index.row()), index.column()), kShownCharacters);
    case kWholeTextRole:
        return fromBytes(m_table->cell(tableRow(index.row()), index.column()));
    case Qt::TextAlignmentRole:
        return column.kind == exports::ColumnKind::Number ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                                          : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= exports::kResultColumnCount) return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    const std::string_view title = exports::resultColumns()[static_cast<std::size_t>(section)].title;
    return QString::fromLatin1(title.data(), static_cast<qsizetype>(title.size()));
}

void ResultModel::sort(int column, Qt::SortOrder order) {
    if (!m_view || column < 0 || column >= exports::kResultColumnCount) return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // The rows on screen move: each persistent index (the current row, the chosen rows) follows its form.
    const QModelIndexList before = persistentIndexList();
    std::vector<std::uint32_t> forms;
    forms.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& index : before)
        forms.push_back(tableRow(index.row()));
    m_view->sortBy(column, order == Qt::DescendingOrder);
    std::vector<int> placeOf(m_table->size(), -1);
    const std::vector<std::uint32_t>& rows = shownRows();
    for (std::size_t i = 0; i < rows.size(); ++i)
        placeOf[rows[i]] = static_cast<int>(i);
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        after.push_back(index(placeOf[forms[static_cast<std::size_t>(i)]], before[i].column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ResultModel::setFilter(const QString& text, const std::array<bool, exports::kResultColumnCount>& columns) {
    if (!m_view) return;
    beginResetModel();
    std::string needle;
    m_nothing = !toBytes(text, &needle);
    if (!m_nothing) m_view->setFilter(needle, columns);
    endResetModel();
}

} // namespace app
