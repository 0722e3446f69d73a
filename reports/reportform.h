// The writers of a run's four output files: kerforms.htm, kerheads.htm, ker3.txt, kerxxxx.fin.
#ifndef REPORTS_REPORTFORM_H
#define REPORTS_REPORTFORM_H

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "reports/formsummary.h"
#include "reports/reportfile.h"
#include "search/filesystem.h"
#include "search/reportsink.h"
#include "search/statistics.h"
#include "search/textutil.h"
#include "tables/rptable.h"

namespace reports {

/// Where a piece of a report file stands: bytes begin to end (not included).
struct ReportPart {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    bool empty() const { return begin == end; }
};

/// Writes the heads, every selected form (`ReportForm`), the statistics and the closing lines.
/// Text from form files and from the user is HTML-escaped in the two HTML files. The statistics
/// of a run are kept here, counted as each selected form is written.
class ReportForm : public search::ReportSink {
public:
    ReportForm(search::FileSystem& files, const tables::RpTable& table);
    /// Closes what a run left open; a file that cannot be closed is reported on stderr, since
    /// no run is left to report it.
    ~ReportForm() override;

    bool open(const search::OutputPaths& paths, const std::vector<std::string>& selectedParameters,
              std::string* err) override;
    void writeHeads(const search::CriteriaSet& criteria) override;
    void writeYears(std::string_view yearsLabel) override;
    void reportForm(const search::SelectedForm& selected, search::FormProblems& problems) override;
    bool closeExtraction(std::string* err) override;
    void writeStatistics(long long formsRead, long long formsSelected) override;
    void writeClosing() override;
    bool closeAll(std::string* err) override;
    std::string writeError() const override;

    /// The statistics of the run's selected forms so far.
    const search::Statistics& statistics() const { return m_statistics; }
    /// Where the full form of the latest selected form stands in kerforms.htm; empty when the
    /// line probe kept it out.
    ReportPart lastFullForm() const { return m_lastFullForm; }
    /// Where the lines of the latest selected form stand in the extraction file, each with its
    /// CR LF, the terminator line after them; none when the line probe kept the form out.
    std::optional<ReportPart> lastExtraction() const { return m_lastExtraction; }
    /// The bytes of the extraction file handed to the system so far: what a reader of the file
    /// finds there.
    std::uint64_t extractionWritten() const;

private:
    struct Files;

    // ReportForm's steps for one selected form, in order.
    void writeProbeLine(const search::SelectedForm& selected);
    void writeExtractionRecord(const search::SelectedForm& selected);
    void writeFullForm(const search::SelectedForm& selected);
    void writeCounts(const search::SelectedForm& selected);
    void writeSummaryRow(const search::SelectedForm& selected);

    // The full form, section by section.
    void writeFormHeading(const search::SelectedForm& selected);
    void writeHeaderSections(const search::SelectedForm& selected);
    void writeLocation(const search::SelectedForm& selected);
    void writeContacts(const search::SelectedForm& selected);
    void writeObservations(const search::SelectedForm& selected);
    bool writeObservationLine(std::string_view line, bool& timeSeries);
    void writeCode(std::string_view code, int slot);
    std::size_t writePosition(const search::Fields& fields);
    void beginSection(std::string_view caption);

    // The summary row and its ker3.txt row.
    void writeSummaryCells(const FormSummary& values, std::string_view dates);
    void writeCsvRow(const search::SelectedForm& selected, const FormSummary& values, std::string_view dates);

    // The statistics section.
    void statisticsRow(std::string_view label, std::string_view value, bool escape);
    void writeTypeCounts(const search::Statistics& statistics);
    void writeUnidentified(const search::Statistics& statistics);
    void writeStationTotals(const search::Statistics& statistics);
    void writeAtUlmaTotal(const search::Statistics& statistics);

    void reportError(const search::SelectedForm& selected, int number);

    search::FileSystem& m_files;
    const tables::RpTable& m_table;
    std::unique_ptr<Files> m_out;
    search::Statistics m_statistics;
    ReportPart m_lastFullForm;
    std::optional<ReportPart> m_lastExtraction;
    search::FormProblems* m_problems = nullptr; // of the form being written
    int m_loopLine = 0; // the form line the writer's line loop holds, for the error report
};

} // namespace reports

#endif // REPORTS_REPORTFORM_H
