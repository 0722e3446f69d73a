// The values of a form's summary row, shared by the reports and the exports.
#ifndef REPORTS_FORMSUMMARY_H
#define REPORTS_FORMSUMMARY_H

#include <string>
#include <string_view>

#include "search/form.h"

namespace reports {

/// The summary report's values of one form, from its header lines and from the scan of lines
/// 9 on, where the last H09 and the last H10 line give the station columns.
struct FormSummary {
    std::string_view code;    // IOC code: field 2 of line 0
    std::string_view ship;    // ship code: field 1 of the first 20 characters of line 6
    std::string_view bottles; // water bottles: field 2 of the last H09 line, at most 5 characters
    std::string_view ctds;    // the same of the last H10 line
    bool stationLine = false; // the form has an H09 or H10 line
    float atUlmaSum = 0;      // stations at ULMA of the last H09 and the last H10 line
    std::string atUlma;       // that sum as text, empty without a station line
    bool marker = false;      // "#": such a line has a field 7 or is longer than 35 characters
    std::string_view exchange;
};

/// The summary of form, whose last line is last.
FormSummary summarizeForm(const search::Form& form, int last);
/// The dates column of the summary: "12 Aug to 30 Aug 1995".
std::string summaryDates(const search::Form& form);

/// The exchange text of field 5 of line 0: "ng", "No", "Yes", "Y/N" or the character itself.
std::string_view exchangeText(std::string_view field5);

} // namespace reports

#endif // REPORTS_FORMSUMMARY_H
