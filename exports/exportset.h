// The exports of a run, written by a thread of their own beside the search.
#ifndef EXPORTS_EXPORTSET_H
#define EXPORTS_EXPORTSET_H

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "exports/export.h"
#include "reports/selectionlistener.h"
#include "tables/rptable.h"

namespace exports {

/// Takes every selected form from the run, reads its facts once and gives them to each export.
/// The forms are copied in batches to a writer thread, so that the exports cost the search
/// little time on a machine with a second core; at most a few MiB of forms wait for it. A
/// form larger than a batch is not copied: the run's thread writes it once the writer has
/// caught up, so that the exports need no memory of a form's size beyond its facts. The
/// writer takes no signals: they stay with the thread that runs the search. Without a thread
/// (none could be started) the forms are written at once.
class ExportSet : public reports::SelectionListener {
public:
    /// Observation codes are looked up in table (none without one).
    explicit ExportSet(const tables::RpTable* table) : m_table(table) {}
    /// Abandons the exports unless finish() was called.
    ~ExportSet() override;
    ExportSet(const ExportSet&) = delete;
    ExportSet& operator=(const ExportSet&) = delete;

    void add(std::unique_ptr<Export> e) { m_exports.push_back(std::move(e)); }
    bool empty() const { return m_exports.empty(); }
    const std::vector<std::unique_ptr<Export>>& exports() const { return m_exports; }

    void formSelected(const search::Form& form, int last, long long selection) override;

    /// Waits until every form is written, then finishes each export (Export::finish); the
    /// messages of those that fail go to errors. True when every export was finished.
    bool finish(std::vector<std::string>* errors);
    /// Stops the writer and removes the files of the exports: the run was stopped or refused.
    void abandon();

private:
    // Forms copied from the run: each one's lines joined by CR, which no line holds.
    struct Entry {
        std::size_t end; // of the form's bytes in Batch::bytes
        int lines;
        long long selection;
    };
    struct Batch {
        std::string bytes;
        std::vector<Entry> entries;
    };

    void handOver();
    void startWriter();
    void writerLoop();
    void writeBatch(const Batch& batch);
    /// Reads the facts of a form and gives them to each export.
    void writeForm(const search::Form& form, int last, long long selection);
    /// Waits until the writer has written every batch handed over.
    void waitUntilWritten();
    void stopWriter(bool discard);

    const tables::RpTable* m_table;
    std::vector<std::unique_ptr<Export>> m_exports;
    Batch m_filling;
    // Only the writer (or the thread of a run without one) touches these two.
    search::Form m_form;
    FormFacts m_facts;
    std::string m_failure; // the writer ran out of memory

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Batch> m_queue;  // handed over, not yet written
    std::vector<Batch> m_spare; // written, to be filled again
    bool m_closing = false;     // no batch follows
    bool m_writing = false;     // the writer is writing a batch
    bool m_discard = false;     // drop what is queued
    std::thread m_writer;
    bool m_inline = false;      // no thread: write at once
    bool m_done = false;        // finished or abandoned
};

} // namespace exports

#endif // EXPORTS_EXPORTSET_H
