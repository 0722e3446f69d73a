// A search run put together with the writers of its four files and the listeners of its forms.
#ifndef REPORTS_REPORTRUN_H
#define REPORTS_REPORTRUN_H

#include <vector>

#include "reports/reportfanout.h"
#include "reports/reportform.h"
#include "reports/selectionlistener.h"
#include "search/filesystem.h"
#include "search/runhost.h"
#include "search/searchrun.h"
#include "tables/rptable.h"

namespace reports {

/// A search run whose selected forms go to the four files (ReportForm) and then to each
/// listener (exports, the map's counts): the one place where the parts of a run meet.
///   ReportRun run(host, files, table, {&exports});
///   run.run(selection, criteria);
class ReportRun {
public:
    ReportRun(search::RunHost& host, search::FileSystem& files, const tables::RpTable& table,
              std::vector<SelectionListener*> listeners = {},
              std::size_t maxFormBytes = search::FormReader::kMaxFormBytes)
        : m_reports(files, table), m_sink(m_reports, std::move(listeners)), m_run(host, files, m_sink, maxFormBytes) {}
    ReportRun(const ReportRun&) = delete;
    ReportRun& operator=(const ReportRun&) = delete;

    search::RunOutcome run(const search::FileSelection& selection, const search::CriteriaSet& criteria) {
        return m_run.run(selection, criteria);
    }
    /// The run itself: its counts, and the Break command.
    search::SearchRun& searchRun() { return m_run; }
    const search::SearchRun& searchRun() const { return m_run; }
    /// The writer of the four files, with the statistics of the run.
    const ReportForm& reports() const { return m_reports; }

private:
    ReportForm m_reports;
    ReportFanOut m_sink;
    search::SearchRun m_run;
};

} // namespace reports

#endif // REPORTS_REPORTRUN_H
