// The selected forms as RFC 4180 CSV, one row each, UTF-8.
#ifndef EXPORTS_CSVEXPORT_H
#define EXPORTS_CSVEXPORT_H

#include <string>
#include <string_view>
#include <vector>

#include "exports/export.h"

namespace exports {

/// A header row, then a row of the form's facts (reports/formfacts.h) per selected form, the
/// cruise's start and end dates (YYYY-MM-DD, empty when the form gives none) last; beside it a
/// .csvt file of the column types (Integer, Date, String) for GDAL and QGIS. Fields
/// are separated by commas and rows end with CR LF; a field holding a comma, a quote, CR or LF
/// is quoted, with its quotes doubled. Fields go to the file as they are converted, so that a
/// field of any size takes no memory of its own.
class CsvExport : public Export {
public:
    CsvExport(search::FileSystem& files, std::string path) : Export(files, std::move(path)) {}
    void write(const FormFacts& facts) override;

    /// The .csvt file of a CSV file's column types: "out.csv" => "out.csvt".
    static std::string typesPath(const std::string& path);

    /// One field as RFC 4180 writes it: "a,b" => "\"a,b\"", "say \"x\"" => "\"say \"\"x\"\"\"".
    static std::string field(std::string_view utf8);

protected:
    bool createCompanions(std::string* err) override;
    void writeStart() override;

private:
    /// Starts the next field of the row: a comma unless it is the row's first.
    void next();
    /// Windows-1252 text as UTF-8, its quotes doubled.
    void putPlain(std::string_view windows1252);
    /// Windows-1252 text as the next field.
    void putText(std::string_view windows1252);
    /// Items of Windows-1252 text joined by separator, as the next field.
    template <class Items> void putJoined(const Items& items, std::string_view separator);
    /// The squares, three digits each, blank-separated, as the next field.
    void putSquares(const std::vector<int>& squares);
    /// The observation codes, in form order, blank-separated, as the next field.
    void putCodes(const std::vector<ObservationFacts>& observations);

    bool m_rowStarted = false;
    std::vector<std::string_view> m_codes; // of the form at hand
};

} // namespace exports

#endif // EXPORTS_CSVEXPORT_H
