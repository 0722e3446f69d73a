// The selected forms as RFC 4180 CSV, one row each, UTF-8.
#include "exports/csvexport.h"

#include <array>
#include <charconv>
#include <memory>

#include "search/bytescan.h"
#include "search/cruisedates.h"
#include "search/textutil.h"

namespace exports {

namespace {

// The columns with their types as GDAL reads them from the .csvt file.
struct Column {
    const char* name;
    const char* type;
};
constexpr std::array<Column, 28> kColumns = {{
    {"selection", "Integer"},
    {"reference", "String"},
    {"year", "Integer"},
    {"ioc_code", "String"},
    {"projects", "String"},
    {"exchange", "String"},
    {"country", "String"},
    {"track_chart", "String"},
    {"marsden_squares", "String"},
    {"ihb_areas", "String"},
    {"operating_agency", "String"},
    {"start_day", "String"},
    {"start_month", "String"},
    {"end_day", "String"},
    {"end_month", "String"},
    {"ports", "String"},
    {"cruise_name", "String"},
    {"cruise_designation_and_objectives", "String"},
    {"ship_code", "String"},
    {"ship", "String"},
    {"chief_scientists", "String"},
    {"contacts", "String"},
    {"observation_codes", "String"},
    {"water_bottle_stations", "String"},
    {"ctd_stations", "String"},
    {"at_ulma", "String"},
    {"start_date", "Date"},
    {"end_date", "Date"},
}};

// The .csvt beside a CSV file: the type of each column, as GDAL and QGIS read it.
class ColumnTypes : public Export {
public:
    ColumnTypes(search::FileSystem& files, std::string path) : Export(files, std::move(path)) {}
    void write(const FormFacts&) override {}

protected:
    void writeStart() override {
        for (std::size_t i = 0; i < kColumns.size(); ++i) {
            if (i > 0) out().put(',');
            out().put('"');
            out().put(kColumns[i].type);
            out().put('"');
        }
        out().put(std::string_view("\r\n", 2));
    }
};

// The bytes a CSV field holds as they are, without quotes: printable ASCII but ',' and '"'.
constexpr std::array<bool, 256> kPlain = [] {
    std::array<bool, 256> plain{};
    for (int b = 0x20; b < 0x80; ++b) plain[static_cast<std::size_t>(b)] = b != ',' && b != '"';
    return plain;
}();

// The length of the run of plain bytes at the start of text: short texts, most of a form's,
// a byte at a time, longer ones with the vectorised scan.
std::size_t plainRun(std::string_view text) {
    if (text.size() >= 16) return search::scan::countPlain(text, ',', '"');
    std::size_t run = 0;
    while (run < text.size() && kPlain[static_cast<unsigned char>(text[run])]) ++run;
    return run;
}

bool needsQuotes(std::string_view text) {
    return text.find_first_of(",\"\r\n") != std::string_view::npos;
}

} // namespace

std::string CsvExport::field(std::string_view utf8) {
    if (!needsQuotes(utf8)) return std::string(utf8);
    std::string out = "\"";
    for (char c : utf8) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

void CsvExport::next() {
    if (m_rowStarted) out().put(',');
    m_rowStarted = true;
}

void CsvExport::putPlain(std::string_view windows1252) {
    while (!windows1252.empty()) {
        const std::size_t run = plainRun(windows1252);
        out().put(windows1252.substr(0, run));
        if (run == windows1252.size()) return;
        const char c = windows1252[run];
        if (c == ',' || c == '\n' || c == '\r')
            out().put(c);
        else if (c == '"')
            out().put(std::string_view("\"\"", 2)); // doubled inside the quotes
        else
            out().put(search::utf8Of(c));
        windows1252.remove_prefix(run + 1);
    }
}

void CsvExport::putText(std::string_view windows1252) {
    next();
    const bool quoted = needsQuotes(windows1252);
    if (quoted) out().put('"');
    putPlain(windows1252);
    if (quoted) out().put('"');
}

template <class Items> void CsvExport::putJoined(const Items& items, std::string_view separator) {
    next();
    bool quoted = false;
    for (const auto& item : items) quoted = quoted || needsQuotes(item);
    if (quoted) out().put('"');
    bool first = true;
    for (const auto& item : items) {
        if (!first) out().put(separator);
        first = false;
        putPlain(item);
    }
    if (quoted) out().put('"');
}

std::string CsvExport::typesPath(const std::string& path) {
    return path + "t";
}

bool CsvExport::createCompanions(std::string* err) {
    if (!nameFits(typesPath(path()))) return true; // GDAL then guesses the types
    auto types = std::make_unique<ColumnTypes>(files(), typesPath(path()));
    if (!types->create(err)) return false;
    addCompanion(std::move(types));
    return true;
}

void CsvExport::writeStart() {
    for (const Column& column : kColumns) {
        next();
        out().put(column.name);
    }
    out().put(std::string_view("\r\n", 2));
    m_rowStarted = false;
}

void CsvExport::putSquares(const std::vector<int>& squares) {
    next();
    char number[16];
    for (std::size_t i = 0; i < squares.size(); ++i) {
        // Three digits at least: 74 => "074".
        const int square = squares[i];
        char* p = number;
        if (i > 0) *p++ = ' ';
        if (square < 100) *p++ = '0';
        if (square < 10) *p++ = '0';
        p = std::to_chars(p, number + sizeof number, square).ptr;
        out().put(std::string_view(number, static_cast<std::size_t>(p - number)));
    }
}

void CsvExport::putCodes(const std::vector<ObservationFacts>& observations) {
    m_codes.clear();
    for (const ObservationFacts& o : observations)
        if (!o.code.empty()) m_codes.push_back(o.code);
    putJoined(m_codes, " ");
}

void CsvExport::write(const FormFacts& f) {
    char number[24];
    const auto end = std::to_chars(number, number + sizeof number, f.selection).ptr;
    next();
    out().put(std::string_view(number, static_cast<std::size_t>(end - number)));
    putText(f.reference);
    putText(f.year);
    putText(f.iocCode);
    putText(f.projects);
    putText(f.exchange);
    putText(f.country);
    next();
    out().put(f.trackChart ? "yes" : "no");
    putSquares(f.squares);
    putJoined(f.ihbAreas, " ");
    putText(f.agency);
    putText(f.startDay);
    putText(f.startMonth);
    putText(f.endDay);
    putText(f.endMonth);
    putText(f.ports);
    putText(f.cruiseName);
    putText(f.designation);
    putText(f.shipCode);
    putText(f.ship);
    putText(f.chiefScientists);
    putJoined(f.contacts, "; ");
    putCodes(f.observations);
    putText(f.waterBottles);
    putText(f.ctds);
    putText(f.atUlma);
    const search::CruiseDays days{f.year, f.startDay, f.startMonth, f.endDay, f.endMonth};
    putText(search::isoDate(search::cruiseStart(days)));
    putText(search::isoDate(search::cruiseEnd(days)));
    out().put(std::string_view("\r\n", 2));
    m_rowStarted = false;
}

} // namespace exports
