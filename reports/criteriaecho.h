// The echo of the criteria at the head of both HTML reports.
#ifndef REPORTS_CRITERIAECHO_H
#define REPORTS_CRITERIAECHO_H

#include <string>
#include <vector>

#include "search/criteria.h"

namespace reports {

/// The lines that repeat the criteria in the heads of the two HTML files, each criterion as
/// typed (upper-cased, HTML-escaped) after its label; the data-held filter is not echoed.
///   {country "spain"} => forms: "Selection Criteria:-", "<br>", "Country: SPAIN<br>"
struct CriteriaEcho {
    std::vector<std::string> formsLines; // kerforms.htm
    std::vector<std::string> headsLines; // kerheads.htm
};
CriteriaEcho echoCriteria(const search::CriteriaSet& set);

/// The same echo as plain text (not escaped), for the title of a map:
///   {country "spain", month "aug"} => "Selection Criteria:-", "Country: SPAIN", "AND", "Month(s): AUG"
///   no criteria                    => "All forms selected"
std::vector<std::string> criteriaText(const search::CriteriaSet& set);

} // namespace reports

#endif // REPORTS_CRITERIAECHO_H
