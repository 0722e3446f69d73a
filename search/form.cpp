// Lines of a form cut when first asked for, and its observation text.
#include "search/form.h"

#include "search/bytescan.h"

namespace search {

void Form::splitHeader(int upTo) const {
    std::size_t start = m_headerNext;
    for (int n = m_headerSplit; n <= upTo; ++n) {
        const std::size_t end = scan::findCr(m_header, start);
        m_lines[static_cast<std::size_t>(n)] = m_header.substr(start, end - start);
        start = end + 1;
        if (start < m_header.size() && m_header[start] == '\n') ++start;
    }
    m_headerNext = start;
    m_headerSplit = upTo + 1;
}

void Form::splitTail() const {
    std::size_t start = 0;
    for (int n = kFirstObservationLine; n <= m_last; ++n) {
        const std::size_t end = n == m_last ? m_block.size() : scan::findCr(m_block, start);
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
