// A report sink that also hands every selected form to listeners.
#ifndef REPORTS_REPORTFANOUT_H
#define REPORTS_REPORTFANOUT_H

#include <string>
#include <vector>

#include "reports/selectionlistener.h"
#include "search/reportsink.h"

namespace reports {

/// Writes the four files through another sink, and gives each selected form to the listeners
/// after it, whether or not the line probe is on.
class ReportFanOut : public search::ReportSink {
public:
    ReportFanOut(search::ReportSink& reports, std::vector<SelectionListener*> listeners)
        : m_reports(reports), m_listeners(std::move(listeners)) {}

    bool open(const search::OutputPaths& paths, const std::vector<std::string>& selectedParameters,
              std::string* err) override {
        return m_reports.open(paths, selectedParameters, err);
    }
    void writeHeads(const search::CriteriaSet& criteria) override { m_reports.writeHeads(criteria); }
    void writeYears(std::string_view yearsLabel) override { m_reports.writeYears(yearsLabel); }
    void reportForm(const search::SelectedForm& selected, search::FormProblems& problems) override {
        m_reports.reportForm(selected, problems);
        for (SelectionListener* listener : m_listeners)
            listener->formSelected(selected.form, selected.last, selected.selection);
    }
    bool closeExtraction(std::string* err) override { return m_reports.closeExtraction(err); }
    void writeStatistics(long long formsRead, long long formsSelected) override {
        m_reports.writeStatistics(formsRead, formsSelected);
    }
    void writeClosing() override { m_reports.writeClosing(); }
    bool closeAll(std::string* err) override { return m_reports.closeAll(err); }
    std::string writeError() const override { return m_reports.writeError(); }

private:
    search::ReportSink& m_reports;
    std::vector<SelectionListener*> m_listeners;
};

} // namespace reports

#endif // REPORTS_REPORTFANOUT_H
