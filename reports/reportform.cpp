// The writers of a run's four output files.
#include "reports/reportform.h"

#include <algorithm>
#include <cmath>

#include "reports/htmlfragments.h"
#include "search/textutil.h"

namespace reports {

using search::field;
using search::Form;
using search::OutputFile;

namespace {

constexpr std::string_view kTitle = "<TITLE> Report from Kervos Search (ULMA-KERVOS)</TITLE>";
constexpr std::string_view kHeadEnd = "</B></CENTER></TD></TR></TABLE><P>";

// Error numbers of the per-form error report.
constexpr int kErrorInvalidArgument = 5; // a text too short for the cut it needs
constexpr int kErrorOutOfRange = 9;      // a line number outside the form

// A number written as a number: a blank before it when not negative, and one after it.
std::string numberText(const std::string& digits) {
    return (digits.empty() || digits[0] == '-') ? digits + " " : " " + digits + " ";
}

// Stations at ULMA of an H09 or H10 line: the number in front of "at ULMA" in its field 6.
float atUlmaCount(std::string_view f6) {
    std::size_t at = f6.find("at ULMA");
    if (at == std::string_view::npos) return 0;
    return search::singlePrecision(search::numericValue(f6.substr(0, at)));
}

std::string_view exchangeText(std::string_view f) {
    if (f.size() != 1 || f == "0") return "ng";
    if (f == "1") return "No";
    if (f == "2") return "Yes";
    if (f == "3") return "Y/N";
    return f;
}

// The year of the summaries: four characters when line 0 starts with "1" or "2", else two.
std::string_view summaryYear(std::string_view line0) {
    bool fourDigits = !line0.empty() && (line0[0] == '1' || line0[0] == '2');
    return search::left(line0, fourDigits ? 4 : 2);
}

} // namespace

struct ReportForm::Files {
    std::unique_ptr<OutputFile> forms;      // kerforms.htm
    std::unique_ptr<OutputFile> heads;      // kerheads.htm
    std::unique_ptr<OutputFile> csv;        // ker3.txt
    std::unique_ptr<OutputFile> extraction; // kerxxxx.fin
};

ReportForm::ReportForm(search::FileSystem& files, tables::RpTable& table) : m_files(files), m_table(table) {}

ReportForm::~ReportForm() {
    std::string ignored;
    closeAll(&ignored);
}

bool ReportForm::open(const search::OutputPaths& paths, std::string* err) {
    m_out = std::make_unique<Files>();
    std::pair<std::unique_ptr<OutputFile>*, const std::string*> order[] = {
        {&m_out->forms, &paths.forms},
        {&m_out->heads, &paths.heads},
        {&m_out->csv, &paths.csv},
        {&m_out->extraction, &paths.pending},
    };
    for (auto& [file, path] : order) {
        *file = m_files.openWrite(*path, err);
        if (!*file) return false;
    }
    return true;
}

std::string ReportForm::writeError() const {
    if (!m_out) return {};
    for (const auto* file : {&m_out->forms, &m_out->heads, &m_out->csv, &m_out->extraction})
        if (*file && (*file)->failed()) return (*file)->error();
    return {};
}

bool ReportForm::closeExtraction(std::string* err) {
    return !m_out || !m_out->extraction || m_out->extraction->closeDurably(err);
}

bool ReportForm::closeAll(std::string* err) {
    if (!m_out) return true;
    bool ok = true;
    for (auto* file : {&m_out->forms, &m_out->heads, &m_out->csv, &m_out->extraction}) {
        std::string e;
        if (*file && !(*file)->close(&e) && ok) {
            ok = false;
            if (err) *err = e;
        }
    }
    return ok;
}

void ReportForm::writeHeads(const search::CriteriaSet& criteria) {
    const search::CriteriaEcho echo = search::echoCriteria(criteria);
    OutputFile& forms = *m_out->forms;
    OutputFile& heads = *m_out->heads;
    for (std::string_view l : {std::string_view("<HTML>"), std::string_view("<HEAD>"), kTitle,
                               std::string_view("</HEAD>"), std::string_view("<BODY>"), kTableOpening, kBannerCell,
                               std::string_view("<CENTER><B>"), std::string_view("Report from Kervos Search (ULMA)<br>"),
                               std::string_view("(Full CSR Forms and Statistical Summary)<br>")})
        forms.line(l);
    for (const auto& l : echo.formsLines) forms.line(l);

    for (std::string_view l :
         {std::string_view("<HTML>"), std::string_view("<HEAD>"), kTitle, std::string_view("</HEAD>"), kTableOpening,
          kBannerCell, std::string_view("<CENTER><B>"), std::string_view("<center>"),
          std::string_view("Summary Report from Kervos Search (ULMA)<br>"),
          std::string_view("(With links to complete forms)<br>")})
        heads.line(l);
    for (const auto& l : echo.headsLines) heads.line(l);
}

void ReportForm::writeYears(std::string_view yearsLabel) {
    OutputFile& forms = *m_out->forms;
    OutputFile& heads = *m_out->heads;
    forms.line("<br>");
    forms.put("Years selected: ");
    forms.lineEscaped(yearsLabel);
    forms.line(kHeadEnd);

    heads.line("<br>");
    heads.put("Years selected: ");
    heads.putEscaped(yearsLabel);
    heads.line("<br>");
    heads.line(R"(<a href="kerforms.htm#stats">Statistics</a> of Report</a>)");
    heads.line(kHeadEnd);

    m_out->csv->line("IOC Code^Ship Code^Date^Cruise^Cruise Area^No of WBs^No of CTDs^No at ULMA^"
                     "Exchange Possible?^Ref No");

    heads.line(kTableOpeningWithRow);
    for (int column = 1; column <= kSummaryColumns; ++column) {
        heads.line(headingCell(column));
        heads.line(headingText(column));
    }
    heads.line("</TR>");
}

void ReportForm::reportError(const search::SelectedForm& selected, int number) {
    std::string text = "Error " + search::countText(number) + " encountered - Form ";
    text += selected.form.line(0);
    text += " Record ";
    text += selected.form.line(m_loopLine);
    selected.host.message(text);
}

void ReportForm::reportForm(const search::SelectedForm& selected) {
    const Form& form = selected.form;
    m_loopLine = 0;

    if (!selected.probe.empty()) {
        // The line probe: one line of the summary report per form, and nothing else.
        double n = std::round(search::numericValue(selected.probe));
        if (!(n >= 0 && n < Form::kMaxLines)) {
            reportError(selected, kErrorOutOfRange);
            return;
        }
        m_out->heads->lineEscaped(form.line(static_cast<int>(n)));
        return;
    }

    OutputFile& extraction = *m_out->extraction;
    for (m_loopLine = 0; m_loopLine <= selected.last; ++m_loopLine) extraction.line(form.line(m_loopLine));
    extraction.line("*");

    writeFullForm(selected);

    int faulty = selected.statistics.countObservationTypes(form, m_table);
    for (int i = 0; i < faulty; ++i) {
        m_out->heads->put("Faulty form at ");
        m_out->heads->lineEscaped(form.line(0));
    }
    selected.statistics.countStations(form);

    writeSummaryRow(selected);
}

void ReportForm::writeFullForm(const search::SelectedForm& selected) {
    const Form& form = selected.form;
    OutputFile& f = *m_out->forms;
    const std::string_view line0 = form.line(0);
    const std::string_view f1 = field(line0, 1);
    const std::string yearText = (f1.size() == 2 ? " 19" : " ") + std::string(f1);
    const std::string n = std::to_string(selected.selection);

    auto beginSection = [&f](std::string_view caption) {
        f.line(kLabelCell);
        f.line(caption);
        f.line(kValueCell);
    };
    auto contentLine = [&f](std::string_view text) {
        f.putEscaped(text);
        f.line("<br>");
    };
    auto blankedLine = [&f](std::string_view text) {
        f.putBlanked(text, true);
        f.line("<br>");
    };

    f.line(kTableOpening);
    f.line(kBannerCell);
    f.line("<A name=\"" + n + "\">");
    f.line("Form " + numberText(n));
    f.line("</a>");
    f.line(kRowEnd);

    beginSection("ULMA Reference Number<br>Project Name");
    blankedLine(line0);
    f.line(kRowEnd);

    beginSection("Country");
    contentLine(form.line(1));
    f.line(kRowEnd);

    const search::Fields line4(form.line(4));
    std::string dates(line4[1]);
    dates += ' ';
    dates += line4[2];
    dates += yearText;
    dates += " to ";
    dates += line4[3];
    dates += ' ';
    dates += line4[4];
    dates += yearText;
    beginSection("Cruise Dates");
    f.lineEscaped(dates);
    f.line(kRowEnd);

    const std::string_view ports = line4[5];
    if (!ports.empty()) {
        beginSection("Departure & Arrival Ports");
        contentLine(ports);
        f.line(kRowEnd);
    }

    const std::string_view line2 = form.line(2);
    const bool chart = line2.substr(0, 2) == "CH";
    beginSection("Location - (Marsden Squares and IHB International Hydrographic Bureau areas):-<br>");
    if (chart && line2.size() < 3)
        reportError(selected, kErrorInvalidArgument); // "CH" alone: no location behind the chart mark
    else
        blankedLine(chart ? line2.substr(3) : line2);
    if (chart) f.line("(Cruise track chart has been supplied)<br>");
    f.line(kRowEnd);

    const std::pair<int, std::string_view> plainSections[] = {
        {3, "Operator"}, {6, "Ship"}, {5, "Cruise Designation & Objectives"}, {7, "Chief Scientist(s)"}};
    for (const auto& [lineNumber, caption] : plainSections) {
        beginSection(caption);
        blankedLine(form.line(lineNumber));
        f.line(kRowEnd);
    }

    // Contact persons: items keyed "a", "b", ...; a "^" ends an item unless it is the last
    // character of the line, which always belongs to the last item.
    beginSection("Contact Person(s)");
    const std::string_view line8 = form.line(8);
    std::string item;
    int items = 0;
    auto endItem = [&]() {
        int letter = 96 + ++items;
        if (letter > 255) {
            reportError(selected, kErrorInvalidArgument);
        } else {
            f.put(static_cast<char>(letter));
            f.put(' ');
            contentLine(item);
        }
        item.clear();
    };
    for (std::size_t i = 0; i < line8.size(); ++i) {
        const bool lastChar = i + 1 == line8.size();
        if (line8[i] == '^' && !lastChar) {
            endItem();
            continue;
        }
        item += line8[i];
        if (lastChar) endItem();
    }
    f.line(kRowEnd);

    f.line(kBannerCell);
    f.line("Station/Underway Observations");
    writeObservations(selected);
    f.line("</TD></TR></TABLE>");
}

void ReportForm::writeObservations(const search::SelectedForm& selected) {
    const Form& form = selected.form;
    OutputFile& f = *m_out->forms;
    bool timeSeries = false;
    for (m_loopLine = Form::kFirstObservationLine; m_loopLine <= selected.last; ++m_loopLine) {
        const std::string_view line = form.line(m_loopLine);
        f.line(kLabelCell);
        const search::Fields fields(line);
        const std::string_view code = fields[1];
        std::size_t consumed = code.size();
        const int slot = m_table.findByLine(line, code);
        const std::size_t width = static_cast<std::size_t>(tables::RpTable::keyWidth(slot));

        if (code == "NOP") {
            f.line(kBannerCell);
            f.line("The above information has been compiled from a supplied Cruise");
            f.line("Programme (e.g., IOC National Oceanographic Programme (NOP)). Its");
            f.line("purpose is to indicate that the appropriate KERVOS has not yet ");
            f.line("been supplied.");
            f.line(kRowEnd);
            return;
        }
        if (code.size() == 4 && !timeSeries) {
            f.line(kBannerCell);
            f.line("Time Series Observations");
            f.line(kLabelCell);
            timeSeries = true;
        }

        const std::string_view entry = m_table.entry(slot);
        const std::string_view key = search::left(entry, width);
        const std::string_view rest = entry.substr(key.size());
        f.put('*');
        if (slot == tables::RpTable::kNotValidSlot) {
            // The unknown code comes from the form; the table's own texts are written as they are.
            f.putEscaped(key);
            f.put(' ');
            f.lineEscaped(rest);
        } else {
            f.put(key);
            f.put(' ');
            f.line(rest);
        }
        f.line(kValueCell);

        const std::string_view f2 = fields[2];
        f.put("Number of stations (or nm's etc.,).... ");
        f.putEscaped(f2);
        f.line("<br>");
        consumed += f2.size() + 1;

        const std::string_view f3 = fields[3];
        f.put("Contact Person(s) (see above for key). ");
        f.putEscaped(search::lowerCase(f3));
        f.line("<br>");
        consumed += f3.size() + 1;

        const std::string_view f5 = fields[5];
        consumed += fields[4].size() + 1;
        consumed += f5.size() + 1;
        if (timeSeries) {
            const std::string_view f6 = fields[6];
            if (f5 == "ng") {
                const std::string_view f7 = fields[7];
                f.put("Position  :");
                f.putEscaped(f6);
                consumed += f6.size() + 1;
                f.put(' ');
                f.putEscaped(f7);
                f.line(" ##<br>");
                consumed += f7.size() + 1;
            } else {
                f.put("Position :");
                f.putEscaped(f5);
                consumed += f6.size() + 1;
                f.put(' ');
                f.putEscaped(f6);
                f.line("<br>");
            }
        }

        if (consumed < line.size()) {
            // The rest with separators as blanks, leading blanks removed.
            std::string_view rest = line.substr(consumed);
            rest.remove_prefix(std::min(rest.find_first_not_of(" ^"), rest.size()));
            f.line("Other Information:<br>");
            f.putBlanked(rest, true);
            f.line("<br>");
        }
        f.line(kRowEnd);
    }
}

void ReportForm::writeSummaryRow(const search::SelectedForm& selected) {
    const Form& form = selected.form;
    OutputFile& h = *m_out->heads;
    OutputFile& csv = *m_out->csv;
    const std::string_view line0 = form.line(0);
    const search::Fields header(line0);
    const search::Fields line4(form.line(4));

    const std::string_view code = header[2];
    const std::string_view ship = field(search::left(form.line(6), 20), 1);
    std::string dates(line4[1]);
    dates += ' ';
    dates += line4[2];
    dates += " to ";
    dates += line4[3];
    dates += ' ';
    dates += line4[4];
    dates += ' ';
    dates += summaryYear(line0);

    csv.put(code);
    csv.put('^');
    csv.put(ship);
    csv.put('^');
    csv.put(dates);
    csv.put('^');
    csv.put(search::mid(field(form.line(5), 1), 4, 25));
    csv.put('^');
    csv.putBlanked(form.line(2), false);
    csv.put('^');

    // The last H09 and the last H10 line of lines 9 on give the station columns.
    std::string_view bottles, ctds;
    float bottlesAtUlma = 0, ctdsAtUlma = 0;
    bool stationLine = false, marker = false;
    for (int n = 9; n <= selected.last; ++n) {
        const std::string_view line = form.line(n);
        const std::string_view type = search::left(line, 3);
        const bool bottle = type == "H09";
        if (!bottle && type != "H10") continue;
        stationLine = true;
        const search::Fields fields(line);
        (bottle ? bottles : ctds) = search::left(fields[2], 5);
        (bottle ? bottlesAtUlma : ctdsAtUlma) = atUlmaCount(fields[6]);
        if (!fields[7].empty() || line.size() > 35) marker = true;
    }
    std::string atUlma;
    if (stationLine) {
        const float sum = bottlesAtUlma + ctdsAtUlma;
        atUlma = search::floatText(sum);
        selected.statistics.addAtUlma(sum);
    }
    const std::string_view markerText = marker ? "#" : "";
    const std::string_view exchange = exchangeText(header[5]);

    h.line(rowCell(1));
    h.put(' ');
    h.putEscaped(code);
    h.put(' ');
    h.line(rowCell(2));
    h.putEscaped(ship);
    h.line(rowCell(3));
    h.putEscaped(dates);
    h.line(rowCell(4));
    h.putEscaped(bottles);
    h.line(rowCell(5));
    h.putEscaped(ctds);
    h.line(rowCell(6));
    h.put(atUlma);
    h.put(markerText);
    h.line(rowCell(7));
    h.putEscaped(exchange);
    h.line(rowCell(8));
    h.line("<a href=\"kerforms.htm#" + std::to_string(selected.selection) + "\">");
    std::string reference(header[1]);
    reference += header[2];
    reference += header[3];
    h.lineEscaped(reference);
    h.line("</a>");
    h.line("</TR>");

    csv.put(bottles);
    csv.put('^');
    csv.put(ctds);
    csv.put('^');
    csv.put(atUlma);
    csv.put(markerText);
    csv.put('^');
    csv.put(exchange);
    csv.put('^');
    csv.line(header[3]);
}

void ReportForm::writeStatistics(const search::Statistics& statistics, long long formsRead, long long formsSelected) {
    OutputFile& f = *m_out->forms;
    auto row = [&f](std::string_view label, std::string_view value, bool escape) {
        f.line(kStatsLabelCell);
        escape ? f.lineEscaped(label) : f.line(label);
        f.line(kStatsValueCell);
        escape ? f.lineEscaped(value) : f.line(value);
        f.line(kStatsRowEnd);
    };

    for (std::string_view l : {std::string_view("<P>"), kTableOpening, kBannerCell, std::string_view("<CENTER>"),
                               std::string_view("<a name=\"stats\">"), std::string_view("Summary Statistics of Report"),
                               std::string_view("</CENTER>"), std::string_view("</a>"), kStatsRowEnd})
        f.line(l);
    row("Searched", search::numberText(formsRead), false);
    row("Extracted", search::numberText(formsSelected), false);

    for (std::string_view l :
         {kBannerCell, std::string_view("<CENTER>"),
          std::string_view("Number of each observation type in this extraction<br>"),
          std::string_view("(RP is Kervos/BODC/JGOFS Parameter Code<BR> '*' beside definition indicates "),
          std::string_view("that default No. in form is No. of nautical miles (or whatever unit stated.))"),
          std::string_view("</CENTER>"), kStatsRowEnd})
        f.line(l);
    row("Number of cruises", " Definition", false);
    for (int slot = 1; slot <= tables::RpTable::kLastEntry; ++slot)
        if (statistics.typeCount(slot) > 0) row(std::to_string(statistics.typeCount(slot)), m_table.entry(slot), false);

    if (statistics.unidentifiedCount() > 0) {
        f.line(kBannerCell);
        f.line("<CENTER>");
        f.line("Unidentified parameters in this extraction<br>");
        f.line("(There are " + search::numberText(statistics.unidentifiedCount()) + " Unidentified parameters)");
        f.line(kStatsRowEnd);
        f.line("</center>");
        row("Parameter", "Form Number", false);
        for (int e = 1; e <= statistics.unidentifiedCount(); ++e)
            row(statistics.unidentified(e).code, statistics.unidentified(e).line0, true);
    }

    const auto& parameters = statistics.selectedParameters();
    if (!parameters.empty()) {
        f.line(kBannerCell);
        f.line("<CENTER>");
        f.line("Number of Stations of selected parameters");
        f.line(kStatsRowEnd);
        f.line("</center>");
        row("Parameter", "Number of stations", false);
        for (std::size_t p = 0; p < parameters.size(); ++p)
            row(parameters[p], numberText(statistics.stationTotal(p).text()), true);
    }

    if (statistics.atUlmaTotal() != 0) {
        f.line(kStatsLabelCell);
        f.line("H09/H10 Stations at ULMA");
        // The total stands in the next print zone of 14 columns after the 52-character cell.
        f.put(kStatsValueCell);
        f.put("    ");
        f.line(numberText(search::floatText(statistics.atUlmaTotal())));
        f.line(kStatsRowEnd);
    }
}

void ReportForm::writeClosing() {
    for (std::string_view l : {"</TR></TD></TABLE>", "</BODY>", "</HTML>"}) m_out->forms->line(l);
    for (std::string_view l : {"</TR></TD></TABLE>", "</BODY>", "</html>"}) m_out->heads->line(l);
}

} // namespace reports
