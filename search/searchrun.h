// The search run: reads every form of the chosen files, selects and reports.
#ifndef SEARCH_SEARCHRUN_H
#define SEARCH_SEARCHRUN_H

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "search/criteria.h"
#include "search/fileselection.h"
#include "search/filesystem.h"
#include "search/formreader.h"
#include "search/reportsink.h"
#include "search/runhost.h"

namespace search {

extern const char* const kNoFilesMessage;
extern const char* const kNoCriteriaQuestion;
extern const char* const kBreakMessage;

/// One search run at a time, driven through a host. The break flag may be set from the
/// host's yield (or a signal handler); the run tests it at the next terminator line.
class SearchRun {
public:
    /// maxFormBytes: the most one form may hold (FormReader::kMaxFormBytes; tests lower it).
    SearchRun(RunHost& host, FileSystem& files, ReportSink& sink,
              std::size_t maxFormBytes = FormReader::kMaxFormBytes);

    /// Runs a search over the selection with the criteria, holding the lock of the output folder.
    /// Memory that cannot be had ends the run like a failed read.
    RunOutcome run(const FileSelection& selection, const CriteriaSet& criteria);
    /// The Break command: the run stops at the next form.
    void requestBreak() { m_break.store(1, std::memory_order_relaxed); }

    long long formsRead() const { return m_formsRead; }
    long long formsSelected() const { return m_formsSelected; }
    /// Whether the run has opened (and so written) kerforms.htm, kerheads.htm and ker3.txt: from
    /// its first selected form on, unless they could not be opened.
    bool reportsOpened() const { return m_reportsOpened; }
    /// Bytes read from all form files of the run so far.
    std::uint64_t bytesRead() const { return m_bytesDone + m_bytesInFile; }
    /// The counts so far.
    RunProgress counts() const { return {m_formsRead, m_formsSelected, bytesRead()}; }

private:
    RunOutcome search(const FileSelection& selection, const CriteriaSet& criteria);
    std::optional<RunOutcome> start(const CriteriaSet& criteria);
    std::optional<RunOutcome> searchFile(const std::string& path, const FileSelection& selection,
                                         const CriteriaSet& criteria, Form& form);
    RunOutcome readerFailure(FormReader::Status status, const std::string& path, const std::string& err);
    RunOutcome finish(const FileSelection& selection);
    bool inputsAreNotOutputs(const FileSelection& selection, std::string* message);
    bool stopRequested();
    RunOutcome abort(RunOutcome outcome, const std::string& message);
    bool selectForm(const Form& form, const FileSelection& selection, const CriteriaSet& criteria,
                    std::string* err);

    RunHost& m_host;
    FileSystem& m_files;
    ReportSink& m_sink;
    std::size_t m_maxFormBytes;
    Criteria m_criteria;
    FormProblems m_problems; // of the form being written
    std::atomic<int> m_break{0};
    long long m_formsRead = 0;
    long long m_formsSelected = 0;
    std::uint64_t m_bytesDone = 0;
    std::uint64_t m_bytesInFile = 0;
    bool m_headingWritten = false;
    bool m_outputsOpen = false;
    bool m_reportsOpened = false;
    std::string m_currentPath; // the form file being read, for messages
};

} // namespace search

#endif // SEARCH_SEARCHRUN_H
