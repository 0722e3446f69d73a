// The search run: reads every form of the chosen files, selects and reports.
#include "search/searchrun.h"

#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "search/formreader.h"
#include "search/textutil.h"

namespace search {

const char* const kNoFilesMessage = "You have still to select at least one KERVOS (.inf) File";
const char* const kNoCriteriaQuestion = "No Selection Criteria have been chosen. Do you want to continue?";
const char* const kBreakMessage = "Break used. Run aborted";

namespace {

std::string malformedMessage(const std::string& path) {
    return "Program Aborts -" + path + " is not correctly formatted";
}
std::string readFailureMessage(const std::string& err) { return "Program Aborts - cannot read " + err; }
std::string writeFailureMessage(const std::string& err) { return "Program Aborts - cannot write " + err; }
std::string busyMessage(const std::string& folder) {
    return "Another search is writing its results in " + folder + "; wait until it has finished";
}
std::string ownOutputMessage(const std::string& input, const std::string& output) {
    return "Cannot search " + input + ": it is " + output +
           ", which this search would write; choose another form file or output folder";
}

} // namespace

SearchRun::SearchRun(RunHost& host, FileSystem& files, ReportSink& sink, std::size_t maxFormBytes)
    : m_host(host), m_files(files), m_sink(sink), m_maxFormBytes(maxFormBytes) {}

RunOutcome SearchRun::abort(RunOutcome outcome, const std::string& message) {
    m_break.store(0, std::memory_order_relaxed);
    if (m_outputsOpen) {
        std::string ignored; // the files stay as written; the message below tells what happened
        m_sink.closeAll(&ignored);
        m_outputsOpen = false;
    }
    m_host.runEnded(RunEnd{outcome, counts(), nullptr});
    m_host.message(message);
    return outcome;
}

bool SearchRun::selectForm(const Form& form, const FileSelection& selection, const CriteriaSet& criteria,
                           std::string* err) {
    ++m_formsSelected;
    m_host.progress(counts());
    if (m_formsSelected == 1) {
        m_outputsOpen = true;
        if (!m_sink.open(selection.paths, m_criteria.selectedParameters(), err)) return false;
        m_reportsOpened = true;
        m_sink.writeHeads(criteria);
    }
    if (!m_headingWritten) {
        m_headingWritten = true;
        m_sink.writeYears(selection.yearsLabel);
    }
    const std::string probe = m_host.lineProbe();
    m_problems.clear();
    m_sink.reportForm(SelectedForm{form, form.last(), m_formsSelected, probe}, m_problems);
    for (const std::string& problem : m_problems) m_host.formProblem(m_formsSelected, problem);
    *err = m_sink.writeError();
    return err->empty();
}

bool SearchRun::stopRequested() {
    return m_break.load(std::memory_order_relaxed) == 1 || m_host.stopRequested();
}

// A form file that is also one of the files this run writes would be emptied while it is read.
// The extraction file kerxxxx.inf may be an input: it is replaced only at the end.
bool SearchRun::inputsAreNotOutputs(const FileSelection& selection, std::string* message) {
    std::vector<std::pair<FileId, const std::string*>> outputs;
    for (const std::string* path :
         {&selection.paths.forms, &selection.paths.heads, &selection.paths.csv, &selection.paths.pending})
        if (std::optional<FileId> id = m_files.fileId(*path)) outputs.emplace_back(*id, path);
    for (const std::string& input : selection.files) {
        const std::optional<FileId> id = m_files.fileId(input);
        if (!id) continue;
        for (const auto& [outputId, output] : outputs) {
            if (*id == outputId) {
                *message = ownOutputMessage(input, *output);
                return false;
            }
        }
    }
    return true;
}

RunOutcome SearchRun::run(const FileSelection& selection, const CriteriaSet& criteria) {
    if (selection.files.empty()) {
        m_host.message(kNoFilesMessage);
        return RunOutcome::NoFiles;
    }
    // One run at a time writes into a folder; the lock is held until this function returns.
    LockStatus lockStatus = LockStatus::Failed;
    std::string err;
    const std::unique_ptr<FolderLock> lock = m_files.lockFolder(selection.paths.folder, &lockStatus, &err);
    if (!lock) {
        m_host.message(lockStatus == LockStatus::Busy ? busyMessage(selection.paths.folder)
                                                      : writeFailureMessage(err));
        return RunOutcome::Refused;
    }
    if (!inputsAreNotOutputs(selection, &err)) {
        m_host.message(err);
        return RunOutcome::Refused;
    }
    try {
        return search(selection, criteria);
    } catch (const std::bad_alloc&) {
        return abort(RunOutcome::Failed, "Program Aborts - not enough memory to go on with " + m_currentPath);
    }
}

RunOutcome SearchRun::search(const FileSelection& selection, const CriteriaSet& criteria) {
    if (std::optional<RunOutcome> ended = start(criteria)) return *ended;
    Form form;
    for (const std::string& path : selection.files)
        if (std::optional<RunOutcome> ended = searchFile(path, selection, criteria, form)) return *ended;
    return finish(selection);
}

// The run's start: the progress box, the menus, the run state, the criteria and, without
// criteria, the question. Returns how the run ended when it ends here.
std::optional<RunOutcome> SearchRun::start(const CriteriaSet& criteria) {
    m_host.runStarted();
    m_formsRead = m_formsSelected = 0;
    m_bytesDone = m_bytesInFile = 0;
    m_break.store(0, std::memory_order_relaxed);
    m_headingWritten = false;
    m_outputsOpen = false;
    m_reportsOpened = false;
    m_currentPath.clear();
    std::string err;
    if (!m_criteria.prepare(criteria, &err)) {
        m_host.runEnded(RunEnd{RunOutcome::Refused, counts(), nullptr});
        m_host.message(err);
        return RunOutcome::Refused;
    }
    if (!m_criteria.used() && !criteria.filters.any() && !m_host.ask(kNoCriteriaQuestion)) {
        m_host.runEnded(RunEnd{RunOutcome::Declined, counts(), nullptr});
        return RunOutcome::Declined;
    }
    return std::nullopt;
}

// Every form of one form file: at each terminator line the yield, the break test, the count
// and the test of the form. Returns how the run ended when it ends in this file.
std::optional<RunOutcome> SearchRun::searchFile(const std::string& path, const FileSelection& selection,
                                                const CriteriaSet& criteria, Form& form) {
    m_currentPath = path;
    std::string err;
    std::unique_ptr<InputFile> file = m_files.openRead(path, &err);
    // An open that waits (a FIFO without a writer) is given up when the user stops the run.
    if (!file && stopRequested()) return abort(RunOutcome::Stopped, kBreakMessage);
    if (!file) return abort(RunOutcome::Failed, readFailureMessage(err));
    FormReader reader(*file, FormReader::kBlockSize, m_maxFormBytes);
    for (;;) {
        const FormReader::Status status = reader.next(form, &err);
        m_bytesInFile = reader.bytesRead();
        if (status != FormReader::Status::Form) {
            if (status != FormReader::Status::End) return readerFailure(status, path, err);
            m_bytesDone += m_bytesInFile;
            m_bytesInFile = 0;
            return std::nullopt;
        }
        m_host.formEnd(counts());
        if (stopRequested()) return abort(RunOutcome::Stopped, kBreakMessage);
        ++m_formsRead;
        if (m_formsRead % 100 == 0) m_host.progress(counts());
        if (m_criteria.test(form) && (!criteria.filters.any() || criteria.filters.test(form)) &&
            !selectForm(form, selection, criteria, &err)) {
            if (stopRequested()) return abort(RunOutcome::Stopped, kBreakMessage);
            return abort(RunOutcome::Failed, writeFailureMessage(err));
        }
    }
}

// A form file that cannot be read to its end: malformed, a form too large, no memory, or a
// failed read.
RunOutcome SearchRun::readerFailure(FormReader::Status status, const std::string& path, const std::string& err) {
    switch (status) {
    case FormReader::Status::Malformed:
        return abort(RunOutcome::Malformed, malformedMessage(path));
    case FormReader::Status::TooLarge:
        return abort(RunOutcome::Malformed, readFailureMessage(path + ": " + err));
    case FormReader::Status::NoMemory:
        return abort(RunOutcome::Failed, readFailureMessage(path + ": " + err));
    default:
        return abort(RunOutcome::Failed, readFailureMessage(err));
    }
}

// After the last form file: the extraction is closed, the statistics and the closing lines are
// written and the extraction takes its final name.
RunOutcome SearchRun::finish(const FileSelection& selection) {
    std::string err;
    // The extraction waits for the disk before it replaces the earlier one.
    if (m_outputsOpen && !m_sink.closeExtraction(&err)) return abort(RunOutcome::Failed, writeFailureMessage(err));
    if (m_formsSelected == 0) {
        if (!m_files.removeFile(selection.paths.extraction, &err))
            return abort(RunOutcome::Failed, writeFailureMessage(err));
        m_host.runEnded(RunEnd{RunOutcome::Completed, counts(), nullptr});
        return RunOutcome::Completed;
    }
    m_sink.writeStatistics(m_formsRead, m_formsSelected);
    m_sink.writeClosing();
    m_outputsOpen = false;
    if (!m_sink.closeAll(&err)) return abort(RunOutcome::Failed, writeFailureMessage(err));
    // rename(2) replaces the earlier extraction in one step: whatever fails or stops the
    // program, the folder holds either the earlier complete file or this run's.
    if (!m_files.renameFile(selection.paths.pending, selection.paths.extraction, &err))
        return abort(RunOutcome::Failed, writeFailureMessage(err));
    m_host.runEnded(RunEnd{RunOutcome::Completed, counts(), &selection.paths});
    return RunOutcome::Completed;
}

} // namespace search
