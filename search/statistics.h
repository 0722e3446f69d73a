// Counters of a search run over its selected forms, for the statistics of the full report.
#ifndef SEARCH_STATISTICS_H
#define SEARCH_STATISTICS_H

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "search/form.h"
#include "search/wholenumber.h"
#include "tables/rptable.h"

namespace search {

class Statistics {
public:
    static constexpr int kMaxUnidentified = 50;

    struct Unidentified {
        std::string code;
        std::string line0; // line 0 of the form in which the code was first met
    };

    /// Clears every counter; the selected parameters are the moved parameter alternatives.
    void reset(const std::vector<std::string>& selectedParameters);

    /// Counts the observation types of lines 10 to the last and lists unknown codes; returns
    /// how many code table keys line 9 begins with (each gives a "Faulty form at " line).
    int countObservationTypes(const Form& form, const tables::RpTable& table);
    /// Adds the station numbers of the lines naming each selected parameter.
    void countStations(const Form& form);
    /// Adds a form's stations at ULMA to the H09/H10 total.
    void addAtUlma(float count) { m_atUlmaTotal += count; }

    /// Count of table slot s (1 to 168).
    long long typeCount(int slot) const { return m_typeCounts[static_cast<std::size_t>(slot)]; }
    int unidentifiedCount() const { return m_unidentifiedCount; }
    /// Unidentified entry n (1 to unidentifiedCount()).
    const Unidentified& unidentified(int n) const { return m_unidentified[static_cast<std::size_t>(n)]; }
    const std::vector<std::string>& selectedParameters() const { return m_parameters; }
    const WholeNumber& stationTotal(std::size_t n) const { return m_stationTotals[n]; }
    float atUlmaTotal() const { return m_atUlmaTotal; }

    /// The code of an observation line: the text before its first "^", or its first three
    /// characters when that "^" is the fifth character or missing.
    /// "H09^12" => "H09", "H09T^3" => "H09", "ATTNZR01^4" => "ATTNZR01", "H09" => "H09".
    static std::string_view lineCode(std::string_view line);
    /// The station number of a line: the text between its first and second "^" when made of
    /// digits only, else empty (0). "H09^12^a" => "12", "H09^12a^a" => "".
    static std::string_view stationNumber(std::string_view line);

private:
    std::array<long long, tables::RpTable::kSlots> m_typeCounts{};
    std::array<Unidentified, kMaxUnidentified + 1> m_unidentified{};
    int m_unidentifiedCount = 0;
    std::vector<std::string> m_parameters;
    std::vector<WholeNumber> m_stationTotals;
    float m_atUlmaTotal = 0;
};

} // namespace search

#endif // SEARCH_STATISTICS_H
