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
        if (n < 0 || n > m_last) return {};
        if (n < kFirstObservationLine) {
            if (n >= m_headerSplit) splitHeader(n);
        } else if (!m_tailSplit) {
            splitTail();
        }
        return m_lines[static_cast<std::size_t>(n)];
    }
    /// Number of the last stored line; -1 for a form without lines.
    int last() const { return m_last; }
    /// The observation lines 10 to the last, each followed by "^" (built on first use).
    const std::string& observationText() const;

    /// The bytes of lines 10 to the last as they stand in the file, line ends included, when
    /// the reader knows them; empty otherwise. A text without "^", CR and LF is found in it
    /// exactly when it is found in the observation text.
    std::string_view observationBlock() const { return m_block; }
    bool hasObservationBlock() const { return m_hasBlock; }

    /// Replaces the content (used by the reader and by tests).
    void clear() {
        m_last = -1;
        m_headerSplit = 0;
        m_header = {};
        m_obsBuilt = false;
        m_block = {};
        m_hasBlock = false;
        m_tailSplit = true;
    }
    void append(std::string_view line) {
        m_lines[static_cast<std::size_t>(++m_last)] = line;
        m_header = {}; // a form built line by line has no text as read
        m_headerSplit = m_last + 1;
        m_obsBuilt = false;
    }
    /// Gives the form count header lines (at most ten) as raw bytes, each ended by CR or CR LF.
    /// They are cut into lines when first asked for.
    void setHeaderLines(std::string_view text, int count) {
        m_last = count - 1;
        m_headerSplit = 0;
        m_header = text;
        m_headerNext = 0;
        m_obsBuilt = false;
    }
    /// Gives a form of ten header lines its observation lines as raw bytes: count lines, each
    /// ended by CR or CR LF except the last. They are cut into lines when first asked for.
    void setObservationLines(std::string_view block, int count) {
        m_block = block;
        m_hasBlock = true;
        m_last = kFirstObservationLine - 1 + count;
        m_tailSplit = count == 0;
    }

private:
    void splitHeader(int upTo) const;
    void splitTail() const;

    mutable std::array<std::string_view, kMaxLines> m_lines{};
    int m_last = -1;
    mutable int m_headerSplit = 0;         // header lines 0 to m_headerSplit - 1 are in m_lines
    std::string_view m_header;             // the header lines as read, when not yet cut
    mutable std::size_t m_headerNext = 0;  // where in m_header line m_headerSplit starts
    mutable bool m_tailSplit = true;
    std::string_view m_block;
    bool m_hasBlock = false;
    mutable std::string m_obs;
    mutable bool m_obsBuilt = false;
};

} // namespace search

#endif // SEARCH_FORM_H
