// The writers a search run feeds: the four output files of a run with selected forms.
#ifndef SEARCH_REPORTSINK_H
#define SEARCH_REPORTSINK_H

#include <string>
#include <string_view>
#include <vector>

#include "search/criteria.h"
#include "search/fileselection.h"
#include "search/form.h"

namespace search {

/// One selected form as the run hands it to the per-form writer.
struct SelectedForm {
    const Form& form;
    int last;               // line number of the last stored line
    long long selection;    // selection number, from 1
    std::string_view probe; // the line probe (RunHost::lineProbe)
};

/// Problems found while a selected form was written, in the order found, for the run to tell.
using FormProblems = std::vector<std::string>;

/// Output of a run, opened at the first selected form. Write failures are sticky: after
/// one, writeError() names the file and the reason and further writes do nothing.
class ReportSink {
public:
    virtual ~ReportSink() = default;
    /// Creates kerforms.htm, kerheads.htm, ker3.txt and kerxxxx.fin, in this order, and starts
    /// the statistics of the run, whose parameters are those the run selects on.
    virtual bool open(const OutputPaths& paths, const std::vector<std::string>& selectedParameters,
                      std::string* err) = 0;
    /// Heads of both HTML files with the criteria echo.
    virtual void writeHeads(const CriteriaSet& criteria) = 0;
    /// The years lines, the statistics link, the head line of ker3.txt and the table head.
    virtual void writeYears(std::string_view yearsLabel) = 0;
    /// All outputs of one selected form (`ReportForm`), counted in the statistics; problems
    /// found on the way are added to problems.
    virtual void reportForm(const SelectedForm& selected, FormProblems& problems) = 0;
    /// Closes the extraction file.
    virtual bool closeExtraction(std::string* err) = 0;
    /// The statistics section of kerforms.htm.
    virtual void writeStatistics(long long formsRead, long long formsSelected) = 0;
    /// The closing lines of both HTML files.
    virtual void writeClosing() = 0;
    /// Closes every file still open; false with err for the first failure.
    virtual bool closeAll(std::string* err) = 0;
    /// The first write failure, empty when none.
    virtual std::string writeError() const = 0;
};

} // namespace search

#endif // SEARCH_REPORTSINK_H
