// The selected forms of the last run as a table to sort, filter, read and export again.
#ifndef EXPORTS_RESULTTABLE_H
#define EXPORTS_RESULTTABLE_H

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "exports/arena.h"
#include "exports/export.h"
#include "reports/reportform.h"
#include "reports/selectionlistener.h"
#include "search/fileselection.h"
#include "search/filesystem.h"
#include "tables/rptable.h"

namespace exports {

/// How a column's texts are ordered.
enum class ColumnKind {
    Number, // by the number the text begins with; texts without one after those with one
    Date,   // YYYY-MM-DD, empty after every date
    Text,   // without regard to letter case
};

struct ResultColumn {
    std::string_view name;  // as the CSV export names it
    std::string_view title; // as the window heads it
    ColumnKind kind;
    bool shownAtFirst;
};

/// The columns: those of the CSV export, in its order, with the cruise's start and end dates
/// after its days and months.
inline constexpr int kResultColumnCount = 28;
const std::array<ResultColumn, kResultColumnCount>& resultColumns();

/// Takes the selected forms of a run: for each a row of texts (the form's facts, as the CSV
/// export gives them, in Windows-1252), the squares it names, where its full form stands in
/// kerforms.htm, and where the form itself stands in the extraction file, so that any rows can
/// be exported later without holding every form in memory. A cell longer than kMaxCellBytes is
/// cut there.
/// The run only notes where each form was written; a thread of the table's own reads the forms
/// back as the extraction file grows and makes the rows, so that on a second core the table
/// costs the search little time. A form that is not in an extraction file (a run with the line
/// probe, or a table that follows no reports) is copied by the run into a scratch file instead.
///   ResultTable result(files, &table, paths);
///   ReportRun run(host, files, table, {&result});
///   result.follow(run.reports());
///   run.run(selection, criteria);
///   result.finish(); // before the table is read
class ResultTable : public reports::SelectionListener {
public:
    static constexpr std::size_t kMaxCellBytes = std::size_t{16} << 10;

    /// Observation codes are looked up in table (none without one). The extraction file is
    /// read where the run writes it (paths.pending) and named by its final name; a scratch file
    /// is made in the folder of paths.extraction. files is used until finish() returns.
    ResultTable(search::FileSystem& files, const tables::RpTable* table, const search::OutputPaths& paths);
    /// Stops the thread, whatever it still holds.
    ~ResultTable() override;
    ResultTable(const ResultTable&) = delete;
    ResultTable& operator=(const ResultTable&) = delete;

    /// The writer of the run's reports, asked where each form stands in the extraction file
    /// and in kerforms.htm.
    void follow(const reports::ReportForm& reports) { m_reports = &reports; }
    void formSelected(const search::Form& form, int last, long long selection) override;
    /// Waits until every form taken is in the table. The readers below wait for it. Called once
    /// the run has ended.
    void finish();

    std::size_t size() const { return m_rowCount; }
    /// A cell's text, Windows-1252.
    std::string_view cell(std::size_t row, int column) const;
    /// The cells of a row one after another, and where each ends in them.
    std::string_view rowText(std::size_t row) const;
    const std::array<std::uint32_t, kResultColumnCount>& cellEnds(std::size_t r) const { return row(r).cellEnd; }
    long long selection(std::size_t r) const { return row(r).selection; }
    std::span<const std::int16_t> squares(std::size_t row) const;
    /// Where the row's full form stands in kerforms.htm (empty without one).
    reports::ReportPart fullForm(std::size_t r) const { return row(r).fullForm; }
    /// Why some forms could not be kept (nor shown); empty when all were.
    const std::string& failure() const { return m_failure; }

    /// Writes the forms of rows, in the order given, to e and finishes it; false with err
    /// filled when a form cannot be read back (the extraction file has changed since the run)
    /// or the export fails (e is then abandoned).
    bool exportRows(const std::vector<std::uint32_t>& rows, Export& e, std::string* err);

private:
    // A selected form: where its lines stand in the source (the extraction file or the
    // scratch file: lines ended by CR LF, then the terminator line), and what the run knows of it.
    struct Taken {
        std::uint64_t begin;
        std::uint32_t size;
        std::int16_t lines;
        long long selection;
        reports::ReportPart fullForm;
    };
    struct Batch {
        std::vector<Taken> forms;
        std::uint64_t readable = 0; // bytes of the source that could be read when handed over
    };
    struct Row {
        std::uint64_t form = 0; // where the form's lines start in the source
        std::uint32_t formSize = 0;
        std::int16_t lines = 0;
        long long selection = 0;
        reports::ReportPart fullForm;
        std::uint32_t textChunk = 0; // the chunk of m_text that holds the row's cells
        std::uint32_t text = 0;      // where they start in it
        std::uint32_t squares = 0;   // where the row's squares start in m_squares
        std::array<std::uint32_t, kResultColumnCount> cellEnd{}; // from text
    };
    // Rows and cells are kept in chunks that never move, so that the table grows without
    // copying what it holds.
    static constexpr std::size_t kRowChunk = 4096;
    struct TextChunk {
        char* data;
        std::size_t size;
    };
    const Row& row(std::size_t r) const { return m_rowChunks[r / kRowChunk][r % kRowChunk]; }
    Row& addRow();
    TextChunk& textFor(Row& row);
    void addCells(const FormFacts& facts, Row& row);
    // The run's side.
    bool openSource(bool extracted);
    bool copyForm(const search::Form& form, int last, Taken& taken);
    bool flushCopy();
    std::uint64_t readable() const;
    void refuse(const std::string& why);
    void handOver(std::uint64_t readable);
    // The worker's side: the forms of a batch that can be read, in the order taken.
    void workerLoop();
    void take(const Batch& batch);
    void addForm(const Taken& taken, std::string_view record);
    bool readForm(const Row& row, std::string& bytes, search::Form& form, std::string* err);
    void fail(const std::string& why);
    std::string notAsWritten() const;

    search::FileSystem& m_files;
    const tables::RpTable* m_table;
    std::string m_pending;    // where the run writes the extraction file
    std::string m_extraction; // its name once the run has ended
    const reports::ReportForm* m_reports = nullptr;
    // The run's thread: the batch being filled, and the source.
    Batch m_filling;
    std::unique_ptr<search::ReadAtFile> m_source;
    search::ScratchFile* m_scratch = nullptr; // the source, when forms are copied
    std::string m_copy;                       // copied, not yet in the scratch file
    std::uint64_t m_copied = 0;               // bytes in the scratch file
    bool m_refused = false;                   // no further form is taken
    // The worker's (the readers' once finish() has returned).
    Arena m_arena; // of the rows and cells
    std::vector<Row*> m_rowChunks;
    std::size_t m_rowCount = 0;
    std::vector<TextChunk> m_text; // chunks of cells, each row's in one
    std::vector<std::int16_t> m_squares;
    std::vector<Taken> m_waiting; // taken, their bytes not yet readable
    std::string m_bytes;          // forms read back
    bool m_broken = false;        // a form could not be read back: none after it is kept
    FormFacts m_facts; // of the form at hand, its memory kept
    search::Form m_form;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_failure;
    std::deque<Batch> m_queue; // handed over, not yet taken
    std::vector<Batch> m_spare; // taken and emptied, their memory kept for the run's thread
    bool m_closing = false;    // no batch follows: the worker ends when the queue is empty
    std::thread m_worker;
    bool m_finished = false;
};

} // namespace exports

#endif // EXPORTS_RESULTTABLE_H
