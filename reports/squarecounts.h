// How many selected forms name each Marsden square.
#ifndef REPORTS_SQUARECOUNTS_H
#define REPORTS_SQUARECOUNTS_H

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "reports/selectionlistener.h"

namespace reports {

/// Counts, for every square that the location line of a selected form names, the forms that
/// name it (geo::namedSquares); with references, keeps the references of those forms too.
class SquareCounts : public SelectionListener {
public:
    struct Square {
        int forms = 0;
        std::vector<std::size_t> references; // numbers of the references, in selection order
    };

    explicit SquareCounts(bool keepReferences = false) : m_keepReferences(keepReferences) {}
    SquareCounts(const SquareCounts&) = delete;
    SquareCounts& operator=(const SquareCounts&) = delete;
    void formSelected(const search::Form& form, int last, long long selection) override;
    /// A form naming squares, whose reference is fields 1 to 3 of its line 0.
    void add(const std::vector<int>& squares, std::string_view reference);

    /// The squares named, by number.
    const std::map<int, Square>& squares() const { return m_squares; }
    /// Reference number n of a square (Square::references), as the form holds it.
    std::string_view reference(std::size_t n) const {
        return std::string_view(m_references).substr(m_starts[n], m_starts[n + 1] - m_starts[n]);
    }
    /// The number of forms named by each square, for the map window.
    std::map<int, int> formsBySquare() const;

private:
    Square& entryOf(int square);

    bool m_keepReferences;
    std::map<int, Square> m_squares;
    // The entry of each square number below 1000 once it is named: found without a walk down
    // the map for every square of every selected form.
    std::array<Square*, 1000> m_entries{};
    std::vector<int> m_named;                 // of the form at hand
    std::string m_references;                 // every kept reference, one after another
    std::vector<std::size_t> m_starts{0};     // where each begins, and the end of the last
};

} // namespace reports

#endif // REPORTS_SQUARECOUNTS_H
