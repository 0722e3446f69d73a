// The echo of the criteria at the head of both HTML reports.
#include "reports/criteriaecho.h"

#include "reports/htmltext.h"
#include "search/textutil.h"

namespace reports {

CriteriaEcho echoCriteria(const search::CriteriaSet& set) {
    CriteriaEcho echo;
    int count = 0;
    // One criterion's line (escaped), after the heading or an "AND".
    const auto add = [&](const std::string& line) {
        if (++count == 1) {
            for (auto* lines : {&echo.formsLines, &echo.headsLines}) {
                lines->push_back("Selection Criteria:-");
                lines->push_back("<br>");
            }
        } else {
            echo.formsLines.push_back("AND<br>");
            echo.headsLines.push_back("AND");
        }
        echo.formsLines.push_back(line);
        echo.headsLines.push_back(line);
    };
    for (int i = 0; i < search::kCriterionCount; ++i) {
        const std::string& text = set.texts[static_cast<std::size_t>(i)];
        if (text.empty()) continue;
        std::string line(search::criterionLabel(i));
        line += ": ";
        appendEscaped(line, search::upperCase(text));
        add(line + "<br>");
    }
    // The filters beside the texts, each as one more criterion.
    for (const std::string& filter : set.filters.describe())
        add(filter + "<br>");
    if (count == 0) {
        echo.formsLines = {"", "All forms selected<br>"};
        echo.headsLines = {"", "All forms selected"};
    }
    return echo;
}

std::vector<std::string> criteriaText(const search::CriteriaSet& set) {
    std::vector<std::string> lines;
    for (int i = 0; i < search::kCriterionCount; ++i) {
        const std::string& text = set.texts[static_cast<std::size_t>(i)];
        if (text.empty()) continue;
        lines.push_back(lines.empty() ? "Selection Criteria:-" : "AND");
        lines.push_back(std::string(search::criterionLabel(i)) + ": " + search::upperCase(text));
    }
    for (const std::string& filter : set.filters.describe()) {
        lines.push_back(lines.empty() ? "Selection Criteria:-" : "AND");
        lines.push_back(filter);
    }
    if (lines.empty()) return {"All forms selected"};
    return lines;
}

} // namespace reports
