// The observation text of a form, built when first asked for.
#include "search/form.h"

#include "search/textutil.h"

namespace search {

const std::string& Form::observationText() const {
    if (!m_obsBuilt) {
        m_obs.clear();
        for (int n = kFirstObservationLine; n <= m_last; ++n) {
            m_obs.append(m_lines[static_cast<std::size_t>(n)]);
            m_obs.push_back('^');
        }
        m_obsBuilt = true;
    }
    return m_obs;
}

const std::string& Form::upperObservationText() const {
    if (!m_upperBuilt) {
        upperCaseInto(observationText(), m_upperObs);
        m_upperBuilt = true;
    }
    return m_upperObs;
}

} // namespace search
