// One CSR form as the reader hands it on: its stored lines and its observation text.
#ifndef SEARCH_FORM_H
#define SEARCH_FORM_H

#include <array>
#include <string>
#include <string_view>

namespace search {

/// A form of at most 201 stored lines (0 to 200). Lines past the last are empty. The views
/// point into the reader's buffer and stay valid until the reader reads the next form.
class Form {
public:
    static constexpr int kMaxLines = 201;
    static constexpr int kFirstObservationLine = 10;

    /// Line n, empty when n is past the last stored line or outside 0 to 200.
    std::string_view line(int n) const {
        return (n >= 0 && n <= m_last) ? m_lines[static_cast<std::size_t>(n)] : std::string_view();
    }
    /// Number of the last stored line; -1 for a form without lines.
    int last() const { return m_last; }
    /// The observation lines 10 to the last, each followed by "^" (built on first use).
    const std::string& observationText() const;
    /// The observation text upper-cased (built on first use).
    const std::string& upperObservationText() const;

    /// The bytes of lines 10 to the last as they stand in the file, line ends included, when
    /// the reader knows them; empty otherwise. A text without "^", CR and LF is found in it
    /// exactly when it is found in the observation text.
    std::string_view observationBlock() const { return m_block; }
    bool hasObservationBlock() const { return m_hasBlock; }
    void setObservationBlock(std::string_view block) {
        m_block = block;
        m_hasBlock = true;
    }

    /// Replaces the content (used by the reader and by tests).
    void clear() {
        m_last = -1;
        m_obsBuilt = m_upperBuilt = false;
        m_block = {};
        m_hasBlock = false;
    }
    void append(std::string_view line) {
        m_lines[static_cast<std::size_t>(++m_last)] = line;
        m_obsBuilt = m_upperBuilt = false;
    }

private:
    std::array<std::string_view, kMaxLines> m_lines{};
    int m_last = -1;
    std::string_view m_block;
    bool m_hasBlock = false;
    mutable std::string m_obs;
    mutable std::string m_upperObs;
    mutable bool m_obsBuilt = false;
    mutable bool m_upperBuilt = false;
};

} // namespace search

#endif // SEARCH_FORM_H
