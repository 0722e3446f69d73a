// The writers of a run's four output files: kerforms.htm, kerheads.htm, ker3.txt, kerxxxx.fin.
#ifndef REPORTS_REPORTFORM_H
#define REPORTS_REPORTFORM_H

#include <memory>
#include <string>

#include "search/filesystem.h"
#include "search/reportsink.h"
#include "tables/rptable.h"

namespace reports {

/// Writes the heads, every selected form (`ReportForm`), the statistics and the closing lines.
/// Text from form files and from the user is HTML-escaped in the two HTML files.
class ReportForm : public search::ReportSink {
public:
    ReportForm(search::FileSystem& files, tables::RpTable& table);
    ~ReportForm() override;

    bool open(const search::OutputPaths& paths, std::string* err) override;
    void writeHeads(const search::CriteriaSet& criteria) override;
    void writeYears(std::string_view yearsLabel) override;
    void reportForm(const search::SelectedForm& selected) override;
    bool closeExtraction(std::string* err) override;
    void writeStatistics(const search::Statistics& statistics, long long formsRead,
                         long long formsSelected) override;
    void writeClosing() override;
    bool closeAll(std::string* err) override;
    std::string writeError() const override;

private:
    struct Files;
    void writeFullForm(const search::SelectedForm& selected);
    void writeObservations(const search::SelectedForm& selected);
    void writeSummaryRow(const search::SelectedForm& selected);
    void reportError(const search::SelectedForm& selected, int number);

    search::FileSystem& m_files;
    tables::RpTable& m_table;
    std::unique_ptr<Files> m_out;
    int m_loopLine = 0; // the form line the writer's line loop holds, for the error report
};

} // namespace reports

#endif // REPORTS_REPORTFORM_H
