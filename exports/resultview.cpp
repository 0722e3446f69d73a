// The rows of a result table as the window shows them: sorted by a column, filtered by a text.
#include "exports/resultview.h"

#include <algorithm>

#include "exports/resultranks.h"
#include "search/textutil.h"

namespace exports {

void ResultView::reset() {
    m_order.resize(m_table.size());
    for (std::size_t i = 0; i < m_order.size(); ++i)
        m_order[i] = static_cast<std::uint32_t>(i);
    m_shown = m_order;
    m_kept.assign(m_order.size(), 1);
    m_needle.clear();
}

// Rows by their cells' ranks, in selection order within a rank: a stable counting sort.
void ResultView::sortBy(int column, bool descending) {
    ColumnRanks made;
    const ColumnRanks& ranks = m_ranks ? m_ranks->of(column) : (made = ColumnRanks::of(m_table, column));
    const auto place = [&](std::uint32_t r) { return descending ? ranks.count - 1 - ranks.ofRow[r] : ranks.ofRow[r]; };
    std::vector<std::uint32_t> start(ranks.count + 1, 0);
    const auto rows = static_cast<std::uint32_t>(m_table.size());
    for (std::uint32_t r = 0; r < rows; ++r)
        ++start[place(r) + 1];
    for (std::uint32_t k = 0; k < ranks.count; ++k)
        start[k + 1] += start[k];
    for (std::uint32_t r = 0; r < rows; ++r)
        m_order[start[place(r)]++] = r;
    // The filter keeps the rows it kept, now in the new order.
    m_shown.clear();
    for (std::uint32_t r : m_order)
        if (m_kept[r] != 0) m_shown.push_back(r);
}

// Whether a shown cell of the row holds the needle. The row's text is searched whole, and each
// place found is kept when it lies within one shown cell.
bool ResultView::holds(std::uint32_t row) const {
    const std::string_view text = m_table.rowText(row);
    const auto& ends = m_table.cellEnds(row);
    std::size_t from = 0;
    while (text.size() - from >= m_needle.size()) {
        const std::size_t at = search::findUpperCased(text.substr(from), m_needle);
        if (at == std::string_view::npos) return false;
        const std::size_t begin = from + at;
        const auto cell = static_cast<std::size_t>(std::upper_bound(ends.begin(), ends.end(), begin) - ends.begin());
        if (m_filterColumns[cell] && begin + m_needle.size() <= ends[cell]) return true;
        from = begin + 1;
    }
    return false;
}

void ResultView::applyFilter(const std::vector<std::uint32_t>& candidates) {
    if (m_needle.empty()) {
        m_shown = candidates;
    } else if (&candidates == &m_shown) {
        std::erase_if(m_shown, [this](std::uint32_t r) { return !holds(r); });
    } else {
        m_shown.clear();
        for (std::uint32_t r : candidates)
            if (holds(r)) m_shown.push_back(r);
    }
    m_kept.assign(m_table.size(), 0);
    for (std::uint32_t r : m_shown)
        m_kept[r] = 1;
}

void ResultView::setFilter(std::string_view needle, const std::array<bool, kResultColumnCount>& shown) {
    // Upper-cased, as the criteria are: two texts are equal but for letter case exactly when
    // their upper-case forms are equal.
    std::string upper = search::upperCase(needle);
    // A longer text is held only by rows that hold the shorter one within it: look among those.
    const bool narrower = shown == m_filterColumns && !m_needle.empty() && upper.find(m_needle) != std::string::npos;
    m_needle = std::move(upper);
    m_filterColumns = shown;
    applyFilter(narrower ? m_shown : m_order);
}

} // namespace exports
