// How many selected forms name each Marsden square.
#include "reports/squarecounts.h"

#include "geo/marsdensquare.h"
#include "search/textutil.h"

namespace reports {

void SquareCounts::formSelected(const search::Form& form, int, long long) {
    geo::namedSquares(form.line(2), m_named);
    if (m_named.empty()) return;
    if (!m_keepReferences) {
        add(m_named, {});
        return;
    }
    const search::Fields line0(form.line(0));
    std::string reference;
    reference.append(line0[1]).append(line0[2]).append(line0[3]);
    add(m_named, reference);
}

void SquareCounts::add(const std::vector<int>& squares, std::string_view reference) {
    if (squares.empty()) return;
    const std::size_t number = m_starts.size() - 1;
    if (m_keepReferences) {
        m_references.append(reference);
        m_starts.push_back(m_references.size());
    }
    for (int square : squares) {
        Square& entry = entryOf(square);
        ++entry.forms;
        if (m_keepReferences) entry.references.push_back(number);
    }
}

SquareCounts::Square& SquareCounts::entryOf(int square) {
    if (square < 0 || static_cast<std::size_t>(square) >= m_entries.size()) return m_squares[square];
    Square*& known = m_entries[static_cast<std::size_t>(square)];
    if (!known) known = &m_squares[square];
    return *known;
}

std::map<int, int> SquareCounts::formsBySquare() const {
    std::map<int, int> forms;
    for (const auto& [square, named] : m_squares) forms.emplace_hint(forms.end(), square, named.forms);
    return forms;
}

} // namespace reports
