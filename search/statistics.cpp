// Counting rules of the statistics: observation types, unknown codes, station totals.
#include "search/statistics.h"

#include "search/textutil.h"

namespace search {

void Statistics::reset(const std::vector<std::string>& selectedParameters) {
    m_typeCounts.fill(0);
    for (auto& entry : m_unidentified) entry = Unidentified{};
    m_unidentifiedCount = 0;
    m_parameters = selectedParameters;
    m_stationTotals.assign(m_parameters.size(), WholeNumber());
    m_atUlmaTotal = 0;
}

std::string_view Statistics::lineCode(std::string_view line) {
    std::size_t sep = line.find('^');
    // A four-character code (separator at position 5) or a line without separator: the
    // observation type is the first three characters.
    if (sep == std::string_view::npos || sep == 4) sep = 3;
    return left(line, sep);
}

std::string_view Statistics::stationNumber(std::string_view line) {
    std::size_t first = line.find('^');
    std::string_view text = line;
    if (first != std::string_view::npos) {
        text = line.substr(first + 1);
        std::size_t second = text.find('^');
        if (second != std::string_view::npos) text = text.substr(0, second);
    }
    for (char c : text)
        if (c < '0' || c > '9') return {};
    return text;
}

int Statistics::countObservationTypes(const Form& form, const tables::RpTable& table) {
    int faulty = 0;
    // Line 9 must not begin with a code: each key it matches marks the form as faulty, and
    // since no two entries share a key that is one at most.
    if (form.last() >= 9 && table.findByCode(lineCode(form.line(9))) > 0) ++faulty;
    for (int n = Form::kFirstObservationLine; n <= form.last(); ++n) {
        std::string_view code = lineCode(form.line(n));
        int slot = table.findByCode(code);
        if (slot > 0) {
            ++m_typeCounts[static_cast<std::size_t>(slot)];
            continue;
        }
        // Distinct codes in the order first met; when the list is full a new code replaces
        // entry 50.
        if (m_unidentifiedCount == kMaxUnidentified) m_unidentifiedCount = kMaxUnidentified - 1;
        ++m_unidentifiedCount;
        bool listed = false;
        for (int e = 1; e < m_unidentifiedCount; ++e) {
            if (m_unidentified[static_cast<std::size_t>(e)].code == code) {
                listed = true;
                break;
            }
        }
        if (listed) {
            --m_unidentifiedCount;
        } else {
            auto& entry = m_unidentified[static_cast<std::size_t>(m_unidentifiedCount)];
            entry.code = std::string(code);
            entry.line0 = std::string(form.line(0));
        }
    }
    return faulty;
}

void Statistics::countStations(const Form& form) {
    if (m_parameters.empty()) return;
    for (int n = Form::kFirstObservationLine; n <= form.last(); ++n) {
        std::string_view line = form.line(n);
        for (std::size_t p = 0; p < m_parameters.size(); ++p)
            if (containsUpperCased(line, m_parameters[p])) m_stationTotals[p].add(stationNumber(line));
    }
}

} // namespace search
