// The values of a form's summary row, shared by the reports and the exports.
#include "reports/formsummary.h"

#include "search/textutil.h"

namespace reports {

using search::field;
using search::Form;

namespace {

// Stations at ULMA of an H09 or H10 line: the number in front of "at ULMA" in its field 6.
float atUlmaCount(std::string_view f6) {
    std::size_t at = f6.find("at ULMA");
    if (at == std::string_view::npos) return 0;
    return search::singlePrecision(search::numericValue(f6.substr(0, at)));
}

// The year of the summaries: four characters when line 0 starts with "1" or "2", else two.
std::string_view summaryYear(std::string_view line0) {
    bool fourDigits = !line0.empty() && (line0[0] == '1' || line0[0] == '2');
    return search::left(line0, fourDigits ? 4 : 2);
}

} // namespace

std::string_view exchangeText(std::string_view f) {
    if (f.size() != 1 || f == "0") return "ng";
    if (f == "1") return "No";
    if (f == "2") return "Yes";
    if (f == "3") return "Y/N";
    return f;
}

std::string summaryDates(const Form& form) {
    const search::Fields line4(form.line(4));
    return std::string(line4[1]) + ' ' + std::string(line4[2]) + " to " + std::string(line4[3]) + ' ' +
           std::string(line4[4]) + ' ' + std::string(summaryYear(form.line(0)));
}

FormSummary summarizeForm(const Form& form, int last) {
    const search::Fields header(form.line(0));
    FormSummary v;
    v.code = header[2];
    v.ship = field(search::left(form.line(6), 20), 1);
    v.exchange = exchangeText(header[5]);

    float bottlesAtUlma = 0, ctdsAtUlma = 0;
    for (int n = 9; n <= last; ++n) {
        const std::string_view line = form.line(n);
        const std::string_view type = search::left(line, 3);
        const bool bottle = type == "H09";
        if (!bottle && type != "H10") continue;
        v.stationLine = true;
        const search::Fields fields(line);
        (bottle ? v.bottles : v.ctds) = search::left(fields[2], 5);
        (bottle ? bottlesAtUlma : ctdsAtUlma) = atUlmaCount(fields[6]);
        if (!fields[7].empty() || line.size() > 35) v.marker = true;
    }
    if (v.stationLine) {
        v.atUlmaSum = bottlesAtUlma + ctdsAtUlma;
        v.atUlma = search::floatText(v.atUlmaSum);
    }
    return v;
}

} // namespace reports
