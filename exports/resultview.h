// The rows of a result table as the window shows them: sorted by a column, filtered by a text.
#ifndef EXPORTS_RESULTVIEW_H
#define EXPORTS_RESULTVIEW_H

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "exports/resulttable.h"

namespace exports {

class ResultRanks;

/// The rows of a ResultTable as the window shows them: in selection order or sorted by a
/// column, and only those that hold a text, in any letter case, in any shown column.
class ResultView {
public:
    /// A view of table; sorts take their ranks from ranks when given, else make them each time.
    explicit ResultView(const ResultTable& table, ResultRanks* ranks = nullptr) : m_table(table), m_ranks(ranks) {
        reset();
    }

    /// Every row of the table, in selection order, no filter.
    void reset();
    /// Sorts by column, descending or not; rows that sort alike keep selection order either way.
    void sortBy(int column, bool descending);
    /// Keeps the rows that hold needle (Windows-1252) in a column for which shown is true;
    /// an empty needle keeps all.
    void setFilter(std::string_view needle, const std::array<bool, kResultColumnCount>& shown);

    /// The rows shown, in order: indexes into the table.
    const std::vector<std::uint32_t>& rows() const { return m_shown; }
    std::size_t total() const { return m_order.size(); }

private:
    bool holds(std::uint32_t row) const;
    void applyFilter(const std::vector<std::uint32_t>& candidates);

    const ResultTable& m_table;
    ResultRanks* m_ranks;
    std::vector<std::uint32_t> m_order; // every row, sorted
    std::vector<std::uint32_t> m_shown; // those the filter keeps, in that order
    std::vector<char> m_kept;           // per row: whether the filter keeps it
    std::string m_needle;               // upper-cased
    std::array<bool, kResultColumnCount> m_filterColumns{};
};

} // namespace exports

#endif // EXPORTS_RESULTVIEW_H
