// The writers of a run's four output files.
#include "reports/reportform.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "reports/criteriaecho.h"
#include "reports/formsummary.h"
#include "reports/htmlfragments.h"
#include "search/textutil.h"

namespace reports {

using search::field;
using search::Form;

namespace {

constexpr std::string_view kTitle = "<TITLE> Report from Kervos Search (ULMA-KERVOS)</TITLE>";
constexpr std::string_view kHeadEnd = "</B></CENTER></TD></TR></TABLE><P>";
constexpr std::string_view kNotValid = "  Not a Valid Code";

// Error numbers of the per-form error report.
constexpr int kErrorInvalidArgument = 5; // a text too short for the cut it needs
constexpr int kErrorOutOfRange = 9;      // a line number outside the form

// A number written as a number: a blank before it when not negative, and one after it.
std::string numberText(const std::string& digits) {
    return (digits.empty() || digits[0] == '-') ? digits + " " : " " + digits + " ";
}

} // namespace

struct ReportForm::Files {
    std::unique_ptr<ReportFile> forms;      // kerforms.htm
    std::unique_ptr<ReportFile> heads;      // kerheads.htm
    std::unique_ptr<ReportFile> csv;        // ker3.txt
    std::unique_ptr<ReportFile> extraction; // kerxxxx.fin
};

ReportForm::ReportForm(search::FileSystem& files, const tables::RpTable& table) : m_files(files), m_table(table) {}

ReportForm::~ReportForm() {
    std::string err;
    if (!closeAll(&err)) std::fprintf(stderr, "morvex: %s\n", err.c_str());
}

bool ReportForm::open(const search::OutputPaths& paths, const std::vector<std::string>& selectedParameters,
                      std::string* err) {
    m_statistics.reset(selectedParameters);
    m_out = std::make_unique<Files>();
    const std::pair<std::unique_ptr<ReportFile>*, const std::string*> order[] = {
        {&m_out->forms, &paths.forms},
        {&m_out->heads, &paths.heads},
        {&m_out->csv, &paths.csv},
        {&m_out->extraction, &paths.pending},
    };
    for (const auto& [file, path] : order) {
        std::unique_ptr<search::OutputFile> opened = m_files.openWrite(*path, err);
        if (!opened) return false;
        *file = std::make_unique<ReportFile>(std::move(opened));
    }
    return true;
}

std::uint64_t ReportForm::extractionWritten() const {
    return m_out && m_out->extraction ? m_out->extraction->written() : 0;
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
        if (!*file) continue;
        std::string e;
        if (!(*file)->close(&e) && ok) {
            ok = false;
            if (err) *err = e;
        }
    }
    m_out.reset(); // closed, and their failures told: nothing left for the destructor
    return ok;
}

void ReportForm::writeHeads(const search::CriteriaSet& criteria) {
    const CriteriaEcho echo = echoCriteria(criteria);
    ReportFile& forms = *m_out->forms;
    ReportFile& heads = *m_out->heads;
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
    ReportFile& forms = *m_out->forms;
    ReportFile& heads = *m_out->heads;
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
    if (m_problems) m_problems->push_back(std::move(text));
}

void ReportForm::reportForm(const search::SelectedForm& selected, search::FormProblems& problems) {
    m_loopLine = 0;
    m_problems = &problems;
    m_lastFullForm = {};
    m_lastExtraction.reset();
    if (!selected.probe.empty()) {
        writeProbeLine(selected);
    } else {
        writeExtractionRecord(selected);
        m_lastFullForm.begin = m_out->forms->size();
        writeFullForm(selected);
        m_lastFullForm.end = m_out->forms->size();
        writeCounts(selected);
        writeSummaryRow(selected);
    }
    m_problems = nullptr;
}

// The line probe: one line of the summary report per form, and nothing else.
void ReportForm::writeProbeLine(const search::SelectedForm& selected) {
    const double n = std::round(search::numericValue(selected.probe));
    if (!(n >= 0 && n < Form::kMaxLines)) {
        reportError(selected, kErrorOutOfRange);
        return;
    }
    m_out->heads->lineEscaped(selected.form.line(static_cast<int>(n)));
}

// The form's lines as read, then "*". The loop leaves m_loopLine past the last line.
void ReportForm::writeExtractionRecord(const search::SelectedForm& selected) {
    ReportFile& extraction = *m_out->extraction;
    const std::uint64_t begin = extraction.size();
    for (m_loopLine = 0; m_loopLine <= selected.last; ++m_loopLine) extraction.line(selected.form.line(m_loopLine));
    m_lastExtraction = ReportPart{begin, extraction.size()};
    extraction.line("*");
}

// The observation types, unlisted codes and station totals; a line 9 that begins with a code
// gives a faulty-form line in the summary report.
void ReportForm::writeCounts(const search::SelectedForm& selected) {
    const int faulty = m_statistics.countObservationTypes(selected.form, m_table);
    for (int i = 0; i < faulty; ++i) {
        m_out->heads->put("Faulty form at ");
        m_out->heads->lineEscaped(selected.form.line(0));
    }
    m_statistics.countStations(selected.form);
}

// Full form.

void ReportForm::beginSection(std::string_view caption) {
    ReportFile& f = *m_out->forms;
    f.line(kLabelCell);
    f.line(caption);
    f.line(kValueCell);
}

void ReportForm::writeFullForm(const search::SelectedForm& selected) {
    writeFormHeading(selected);
    writeHeaderSections(selected);
    writeContacts(selected);
    ReportFile& f = *m_out->forms;
    f.line(kBannerCell);
    f.line("Station/Underway Observations");
    writeObservations(selected);
    f.line("</TD></TR></TABLE>");
}

// The table with the form's anchor and "Form N".
void ReportForm::writeFormHeading(const search::SelectedForm& selected) {
    ReportFile& f = *m_out->forms;
    const std::string n = std::to_string(selected.selection);
    f.line(kTableOpening);
    f.line(kBannerCell);
    f.line("<A name=\"" + n + "\">");
    f.line("Form " + numberText(n));
    f.line("</a>");
    f.line(kRowEnd);
}

// The section rows of header lines 0 to 7: reference, country, dates, ports, location,
// operator, ship, cruise and chief scientist.
void ReportForm::writeHeaderSections(const search::SelectedForm& selected) {
    const Form& form = selected.form;
    ReportFile& f = *m_out->forms;
    const std::string_view line0 = form.line(0);

    beginSection("ULMA Reference Number<br>Project Name");
    f.putBlanked(line0, true);
    f.line("<br>");
    f.line(kRowEnd);

    beginSection("Country");
    f.putEscaped(form.line(1));
    f.line("<br>");
    f.line(kRowEnd);

    // The year of line 0: a two-digit year is of the 1900s.
    const std::string_view f1 = field(line0, 1);
    const std::string yearText = (f1.size() == 2 ? " 19" : " ") + std::string(f1);
    const search::Fields line4(form.line(4));
    const std::string dates = std::string(line4[1]) + ' ' + std::string(line4[2]) + yearText + " to " +
                              std::string(line4[3]) + ' ' + std::string(line4[4]) + yearText;
    beginSection("Cruise Dates");
    f.lineEscaped(dates);
    f.line(kRowEnd);

    const std::string_view ports = line4[5];
    if (!ports.empty()) {
        beginSection("Departure & Arrival Ports");
        f.putEscaped(ports);
        f.line("<br>");
        f.line(kRowEnd);
    }

    writeLocation(selected);

    const std::pair<int, std::string_view> plainSections[] = {
        {3, "Operator"}, {6, "Ship"}, {5, "Cruise Designation & Objectives"}, {7, "Chief Scientist(s)"}};
    for (const auto& [lineNumber, caption] : plainSections) {
        beginSection(caption);
        f.putBlanked(form.line(lineNumber), true);
        f.line("<br>");
        f.line(kRowEnd);
    }
}

// Line 2 without the chart mark "CH" and its separator, and the note of the chart.
void ReportForm::writeLocation(const search::SelectedForm& selected) {
    ReportFile& f = *m_out->forms;
    const std::string_view line2 = selected.form.line(2);
    const bool chart = line2.substr(0, 2) == "CH";
    beginSection("Location - (Marsden Squares and IHB International Hydrographic Bureau areas):-<br>");
    if (chart && line2.size() < 3) {
        reportError(selected, kErrorInvalidArgument); // "CH" alone: no location behind the chart mark
    } else {
        f.putBlanked(chart ? line2.substr(3) : line2, true);
        f.line("<br>");
    }
    if (chart) f.line("(Cruise track chart has been supplied)<br>");
    f.line(kRowEnd);
}

// Contact persons: items keyed "a", "b", ...; a "^" ends an item unless it is the last
// character of the line, which always belongs to the last item.
void ReportForm::writeContacts(const search::SelectedForm& selected) {
    ReportFile& f = *m_out->forms;
    beginSection("Contact Person(s)");
    const std::string_view line8 = selected.form.line(8);
    std::size_t itemStart = 0;
    int items = 0;
    auto endItem = [&](std::size_t itemEnd) {
        const int letter = 96 + ++items;
        if (letter > 255) {
            reportError(selected, kErrorInvalidArgument);
        } else {
            f.put(static_cast<char>(letter));
            f.put(' ');
            f.putEscaped(line8.substr(itemStart, itemEnd - itemStart));
            f.line("<br>");
        }
    };
    for (std::size_t i = 0; i < line8.size(); ++i) {
        if (i + 1 == line8.size()) {
            endItem(i + 1);
        } else if (line8[i] == '^') {
            endItem(i);
            itemStart = i + 1;
        }
    }
    f.line(kRowEnd);
}

void ReportForm::writeObservations(const search::SelectedForm& selected) {
    bool timeSeries = false;
    for (m_loopLine = Form::kFirstObservationLine; m_loopLine <= selected.last; ++m_loopLine)
        if (!writeObservationLine(selected.form.line(m_loopLine), timeSeries)) return;
}

// "*", the key of the line's code table slot, a blank and the rest of the slot's text. An
// unlisted code shows the code followed by "  Not a Valid Code", cut as the table's codes are.
void ReportForm::writeCode(std::string_view code, int slot) {
    ReportFile& f = *m_out->forms;
    const std::size_t width = static_cast<std::size_t>(tables::RpTable::keyWidth(slot));
    f.put('*');
    if (slot == tables::RpTable::kNotValidSlot) {
        // The code comes from the form and is escaped; the table's own texts are written as they are.
        const std::string entry = std::string(code) + std::string(kNotValid);
        const std::string_view key = search::left(entry, width);
        f.putEscaped(key);
        f.put(' ');
        f.lineEscaped(std::string_view(entry).substr(key.size()));
    } else {
        const std::string_view entry = m_table.entry(slot);
        const std::string_view key = search::left(entry, width);
        f.put(key);
        f.put(' ');
        f.line(entry.substr(key.size()));
    }
}

// One observation line; false after "NOP", which ends the observation section.
bool ReportForm::writeObservationLine(std::string_view line, bool& timeSeries) {
    ReportFile& f = *m_out->forms;
    f.line(kLabelCell);
    const search::Fields fields(line);
    const std::string_view code = fields[1];
    std::size_t consumed = code.size();
    if (code == "NOP") {
        f.line(kBannerCell);
        f.line("The above information has been compiled from a supplied Cruise");
        f.line("Programme (e.g., IOC National Oceanographic Programme (NOP)). Its");
        f.line("purpose is to indicate that the appropriate KERVOS has not yet ");
        f.line("been supplied.");
        f.line(kRowEnd);
        return false;
    }
    if (code.size() == 4 && !timeSeries) {
        f.line(kBannerCell);
        f.line("Time Series Observations");
        f.line(kLabelCell);
        timeSeries = true;
    }
    writeCode(code, m_table.findByLine(line));
    f.line(kValueCell);

    f.put("Number of stations (or nm's etc.,).... ");
    f.putEscaped(fields[2]);
    f.line("<br>");
    f.put("Contact Person(s) (see above for key). ");
    f.putEscaped(search::lowerCase(fields[3]));
    f.line("<br>");
    consumed += fields[2].size() + 1 + fields[3].size() + 1 + fields[4].size() + 1 + fields[5].size() + 1;

    if (timeSeries) consumed += writePosition(fields);

    if (consumed < line.size()) {
        // The rest with separators as blanks, leading blanks removed.
        std::string_view rest = line.substr(consumed);
        rest.remove_prefix(std::min(rest.find_first_not_of(" ^"), rest.size()));
        f.line("Other Information:<br>");
        f.putBlanked(rest, true);
        f.line("<br>");
    }
    f.line(kRowEnd);
    return true;
}

// The position line of a time-series observation; returns the characters of the line it
// consumed.
std::size_t ReportForm::writePosition(const search::Fields& fields) {
    ReportFile& f = *m_out->forms;
    const std::string_view f5 = fields[5], f6 = fields[6];
    if (f5 == "ng") {
        f.put("Position  :");
        f.putEscaped(f6);
        f.put(' ');
        f.putEscaped(fields[7]);
        f.line(" ##<br>");
        return f6.size() + 1 + fields[7].size() + 1;
    }
    f.put("Position :");
    f.putEscaped(f5);
    f.put(' ');
    f.putEscaped(f6);
    f.line("<br>");
    return f6.size() + 1;
}

// Summary row.

void ReportForm::writeSummaryRow(const search::SelectedForm& selected) {
    const FormSummary values = summarizeForm(selected.form, selected.last);
    const std::string dates = summaryDates(selected.form);
    if (values.stationLine) m_statistics.addAtUlma(values.atUlmaSum);
    writeCsvRow(selected, values, dates);
    writeSummaryCells(values, dates);

    // The reference links to the form in kerforms.htm.
    ReportFile& h = *m_out->heads;
    const search::Fields header(selected.form.line(0));
    h.line("<a href=\"kerforms.htm#" + std::to_string(selected.selection) + "\">");
    h.lineEscaped(std::string(header[1]) + std::string(header[2]) + std::string(header[3]));
    h.line("</a>");
    h.line("</TR>");
}

void ReportForm::writeSummaryCells(const FormSummary& values, std::string_view dates) {
    ReportFile& h = *m_out->heads;
    h.line(rowCell(1));
    h.put(' ');
    h.putEscaped(values.code);
    h.put(' ');
    h.line(rowCell(2));
    h.putEscaped(values.ship);
    h.line(rowCell(3));
    h.putEscaped(dates);
    h.line(rowCell(4));
    h.putEscaped(values.bottles);
    h.line(rowCell(5));
    h.putEscaped(values.ctds);
    h.line(rowCell(6));
    h.put(values.atUlma);
    h.put(values.marker ? "#" : "");
    h.line(rowCell(7));
    h.putEscaped(values.exchange);
    h.line(rowCell(8));
}

// The row of ker3.txt: ten values with "^" between them, none escaped.
void ReportForm::writeCsvRow(const search::SelectedForm& selected, const FormSummary& values,
                             std::string_view dates) {
    const Form& form = selected.form;
    ReportFile& csv = *m_out->csv;
    for (std::string_view value : {values.code, values.ship, dates,
                                   search::mid(field(form.line(5), 1), 4, 25)}) {
        csv.put(value);
        csv.put('^');
    }
    csv.putBlanked(form.line(2), false);
    csv.put('^');
    csv.put(values.bottles);
    csv.put('^');
    csv.put(values.ctds);
    csv.put('^');
    csv.put(values.atUlma);
    csv.put(values.marker ? "#" : "");
    csv.put('^');
    csv.put(values.exchange);
    csv.put('^');
    csv.line(field(form.line(0), 3));
}

// Statistics.

void ReportForm::statisticsRow(std::string_view label, std::string_view value, bool escape) {
    ReportFile& f = *m_out->forms;
    f.line(kStatsLabelCell);
    escape ? f.lineEscaped(label) : f.line(label);
    f.line(kStatsValueCell);
    escape ? f.lineEscaped(value) : f.line(value);
    f.line(kStatsRowEnd);
}

void ReportForm::writeStatistics(long long formsRead, long long formsSelected) {
    const search::Statistics& statistics = m_statistics;
    ReportFile& f = *m_out->forms;
    for (std::string_view l : {std::string_view("<P>"), kTableOpening, kBannerCell, std::string_view("<CENTER>"),
                               std::string_view("<a name=\"stats\">"), std::string_view("Summary Statistics of Report"),
                               std::string_view("</CENTER>"), std::string_view("</a>"), kStatsRowEnd})
        f.line(l);
    statisticsRow("Searched", search::numberText(formsRead), false);
    statisticsRow("Extracted", search::numberText(formsSelected), false);
    writeTypeCounts(statistics);
    writeUnidentified(statistics);
    writeStationTotals(statistics);
    writeAtUlmaTotal(statistics);
}

void ReportForm::writeTypeCounts(const search::Statistics& statistics) {
    ReportFile& f = *m_out->forms;
    for (std::string_view l :
         {kBannerCell, std::string_view("<CENTER>"),
          std::string_view("Number of each observation type in this extraction<br>"),
          std::string_view("(RP is Kervos/BODC/JGOFS Parameter Code<BR> '*' beside definition indicates "),
          std::string_view("that default No. in form is No. of nautical miles (or whatever unit stated.))"),
          std::string_view("</CENTER>"), kStatsRowEnd})
        f.line(l);
    statisticsRow("Number of cruises", " Definition", false);
    for (int slot = 1; slot <= tables::RpTable::kLastEntry; ++slot)
        if (statistics.typeCount(slot) > 0)
            statisticsRow(std::to_string(statistics.typeCount(slot)), m_table.entry(slot), false);
}

void ReportForm::writeUnidentified(const search::Statistics& statistics) {
    if (statistics.unidentifiedCount() == 0) return;
    ReportFile& f = *m_out->forms;
    f.line(kBannerCell);
    f.line("<CENTER>");
    f.line("Unidentified parameters in this extraction<br>");
    f.line("(There are " + search::numberText(statistics.unidentifiedCount()) + " Unidentified parameters)");
    f.line(kStatsRowEnd);
    f.line("</center>");
    statisticsRow("Parameter", "Form Number", false);
    for (int e = 1; e <= statistics.unidentifiedCount(); ++e)
        statisticsRow(statistics.unidentified(e).code, statistics.unidentified(e).line0, true);
}

void ReportForm::writeStationTotals(const search::Statistics& statistics) {
    const auto& parameters = statistics.selectedParameters();
    if (parameters.empty()) return;
    ReportFile& f = *m_out->forms;
    f.line(kBannerCell);
    f.line("<CENTER>");
    f.line("Number of Stations of selected parameters");
    f.line(kStatsRowEnd);
    f.line("</center>");
    statisticsRow("Parameter", "Number of stations", false);
    for (std::size_t p = 0; p < parameters.size(); ++p)
        statisticsRow(parameters[p], numberText(statistics.stationTotal(p).text()), true);
}

void ReportForm::writeAtUlmaTotal(const search::Statistics& statistics) {
    if (statistics.atUlmaTotal() == 0) return;
    ReportFile& f = *m_out->forms;
    f.line(kStatsLabelCell);
    f.line("H09/H10 Stations at ULMA");
    // The total stands in the next print zone of 14 columns after the 52-character cell.
    f.put(kStatsValueCell);
    f.put("    ");
    f.line(numberText(search::floatText(statistics.atUlmaTotal())));
    f.line(kStatsRowEnd);
}

void ReportForm::writeClosing() {
    for (std::string_view l : {"</TR></TD></TABLE>", "</BODY>", "</HTML>"}) m_out->forms->line(l);
    for (std::string_view l : {"</TR></TD></TABLE>", "</BODY>", "</html>"}) m_out->heads->line(l);
}

} // namespace reports
