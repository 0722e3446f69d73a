// The rows of the last run's result as a Qt table model.
#ifndef APP_RESULTMODEL_H
#define APP_RESULTMODEL_H

#include <QAbstractTableModel>

#include <array>
#include <memory>
#include <optional>

#include "exports/resultranks.h"
#include "exports/resulttable.h"
#include "exports/resultview.h"

namespace app {

/// One row per shown form of a ResultTable, one column per exports::resultColumns() entry.
/// Sorting and filtering are the core's (exports::ResultView); texts are converted from
/// Windows-1252 only for the rows on screen.
class ResultModel : public QAbstractTableModel {
    Q_OBJECT

public:
    /// Characters of a cell shown in the table; the tooltip and the form view show more.
    static constexpr int kShownCharacters = 200;
    /// The role of a cell's whole text (as far as the table keeps it), for its tooltip.
    static constexpr int kWholeTextRole = Qt::UserRole + 1;

    explicit ResultModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    /// Shows table (none: no rows), in selection order with no filter; sorts take their ranks
    /// from ranks when given.
    void setTable(const exports::ResultTable* table, exports::ResultRanks* ranks = nullptr);
    const exports::ResultTable* table() const { return m_table; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

    /// Shows only the rows holding text (in any letter case) in a column whose flag is set;
    /// false when the text has a character Windows-1252 lacks (then no row holds it).
    void setFilter(const QString& text, const std::array<bool, exports::kResultColumnCount>& columns);
    /// The table's row shown as row.
    std::uint32_t tableRow(int row) const { return m_view->rows()[static_cast<std::size_t>(row)]; }
    /// The shown rows, in order, as table rows.
    const std::vector<std::uint32_t>& shownRows() const;
    /// How many forms the result holds, shown or not.
    int total() const { return m_table ? static_cast<int>(m_table->size()) : 0; }

private:
    const exports::ResultTable* m_table = nullptr;
    std::optional<exports::ResultView> m_view;
    bool m_nothing = false; // the filter holds a character no form can hold
};

} // namespace app

#endif // APP_RESULTMODEL_H
