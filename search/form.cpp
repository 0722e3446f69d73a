// The observation text of a form, built when first asked for.
#include "search/form.h"


namespace search {

void Form::splitTail() const {
    std::size_t start = 0;
    for (int n = kFirstObservationLine; n <= m_last; ++n) {
        std::size_t end = n == m_last ? m_block.size() : m_block.find('\r', start);
        m_lines[static_cast<std::size_t>(n)] = m_block.substr(start, end - start);
        start = end + 1;
        if (start < m_block.size() && m_block[start] == '\n') ++start;
    }
    m_tailSplit = true;
}

const std::string& Form::observationText() const {
    if (!m_obsBuilt) {
        m_obs.clear();
        for (int n = kFirstObservationLine; n <= m_last; ++n) {
            m_obs.append(line(n));
            m_obs.push_back('^');
        }
        m_obsBuilt = true;
    }
    return m_obs;
}

} // namespace search
