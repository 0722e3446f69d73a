// What a search run tells its user interface, in the run's own words, and what it asks of it.
#ifndef SEARCH_RUNHOST_H
#define SEARCH_RUNHOST_H

#include <cstdint>
#include <string>

#include "search/fileselection.h"

namespace search {

/// How a run ended.
enum class RunOutcome {
    NoFiles,   // no form file chosen: nothing happened
    Refused,   // nothing read or written: the output folder is in use or missing, a form file
               // is one of the run's outputs, or a criterion has too many alternatives
    Declined,  // the no-criteria question was answered No
    Completed, // normal end, with or without selected forms
    Stopped,   // the user stopped it: the Break command, or a signal to the command line
    Malformed, // a form file is not correctly formatted
    Failed,    // a form file could not be read or an output file not written
};

/// The counts of a run so far.
struct RunProgress {
    long long formsRead = 0;
    long long formsSelected = 0;
    std::uint64_t bytesRead = 0; // of all its form files
};

/// The end of a run.
struct RunEnd {
    RunOutcome outcome = RunOutcome::Completed;
    RunProgress counts;
    /// The files of a completed run that selected forms; null for any other end.
    const OutputPaths* files = nullptr;
};

/// Implemented by the main window, the command-line program and the tests, each of which
/// turns these into its own words. All calls come from the thread that runs the search.
class RunHost {
public:
    virtual ~RunHost() = default;
    /// The run has begun, before its criteria are read.
    virtual void runStarted() = 0;
    /// The run has reached the end of a form, before it tests the break flag: the counts so
    /// far. A window lets its pending events run here.
    virtual void formEnd(const RunProgress& progress) = 0;
    /// Counts to show: after every hundredth form read and after every form selected.
    virtual void progress(const RunProgress& progress) = 0;
    /// Asks whether to search without criteria; true to go on.
    virtual bool ask(const std::string& question) = 0;
    /// Tells the user why the run was refused or stopped.
    virtual void message(const std::string& text) = 0;
    /// Tells the user of a problem in the report of selected form number `selection`.
    virtual void formProblem(long long selection, const std::string& text) = 0;
    /// The run has ended; the message of a run that was refused or stopped follows.
    virtual void runEnded(const RunEnd& end) = 0;
    /// The line probe, read at every selected form: the text of the number of the one line of
    /// each form that goes to kerheads.htm; empty for the whole summary row.
    virtual std::string lineProbe() = 0;
    /// Whether the user asked the run to stop by other means than SearchRun::requestBreak (a
    /// signal to the command-line program); tested with the break flag.
    virtual bool stopRequested() { return false; }
};

} // namespace search

#endif // SEARCH_RUNHOST_H
