// The selected forms of the last run as a table to sort, filter, read and export again.
#include "exports/resulttable.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <system_error>

#include "search/cruisedates.h"
#include "search/textutil.h"

namespace exports {

namespace {

using enum ColumnKind;

constexpr std::array<ResultColumn, kResultColumnCount> kColumns = {{
    {"selection", "Selection", Number, true},
    {"reference", "Reference", Text, true},
    {"year", "Year", Number, true},
    {"ioc_code", "IOC Code", Text, false},
    {"projects", "Projects", Text, false},
    {"exchange", "Exchange", Text, false},
    {"country", "Country", Text, true},
    {"track_chart", "Track Chart", Text, false},
    {"marsden_squares", "Marsden Squares", Number, true},
    {"ihb_areas", "IHB Areas", Text, true},
    {"operating_agency", "Operating Agency", Text, true},
    {"start_day", "Start Day", Number, false},
    {"start_month", "Start Month", Text, false},
    {"end_day", "End Day", Number, false},
    {"end_month", "End Month", Text, false},
    {"start_date", "Start", Date, true},
    {"end_date", "End", Date, true},
    {"ports", "Ports", Text, false},
    {"cruise_name", "Cruise Name", Text, true},
    {"cruise_designation_and_objectives", "Cruise Designation & Objectives", Text, false},
    {"ship_code", "Ship Code", Text, false},
    {"ship", "Ship", Text, true},
    {"chief_scientists", "Chief Scientists", Text, true},
    {"contacts", "Contacts", Text, false},
    {"observation_codes", "Observation Codes", Text, true},
    {"water_bottle_stations", "Water Bottle Stations", Number, true},
    {"ctd_stations", "CTD Stations", Number, true},
    {"at_ulma", "At ULMA", Number, true},
}};

// A batch of forms handed to the worker: at most this many forms; at most a few wait for it.
constexpr std::size_t kBatchForms = 4096;
constexpr std::size_t kQueuedBatches = 4;
// Forms that follow each other in the source are read back at once, about this much at a time.
constexpr std::size_t kReadBytes = std::size_t{1} << 20;
// Copied forms go to the scratch file about this much at a time.
constexpr std::size_t kCopyBytes = std::size_t{1} << 20;
// What ends a form in the source: the terminator line.
constexpr std::string_view kTerminator = "*\r\n";
// A batch handed over once the run has ended: everything in the source can be read.
constexpr std::uint64_t kEverything = UINT64_MAX;

// The cells are kept in chunks of this size; a row's cells, at most kMaxRowBytes, in one.
constexpr std::size_t kTextChunk = std::size_t{8} << 20;
constexpr std::size_t kMaxRowBytes = kResultColumnCount * ResultTable::kMaxCellBytes;

// Collects a row's cells at text, each cut at the cell limit; text has room for the longest row.
class CellWriter {
public:
    CellWriter(char* text, std::array<std::uint32_t, kResultColumnCount>& ends) : m_text(text), m_ends(ends) {}

    void put(std::string_view piece) {
        const std::size_t room = ResultTable::kMaxCellBytes - m_cellSize;
        piece = piece.substr(0, room);
        if (!piece.empty()) std::memcpy(m_text + m_size, piece.data(), piece.size());
        m_size += piece.size();
        m_cellSize += piece.size();
    }
    template <class Items> void putJoined(const Items& items, std::string_view separator) {
        bool first = true;
        for (const auto& item : items) {
            if (!first) put(separator);
            first = false;
            put(item);
        }
    }
    void end() {
        m_ends[m_column++] = static_cast<std::uint32_t>(m_size);
        m_cellSize = 0;
    }
    std::size_t size() const { return m_size; }
    void cell(std::string_view text) {
        put(text);
        end();
    }

private:
    char* m_text;
    std::size_t m_size = 0;
    std::array<std::uint32_t, kResultColumnCount>& m_ends;
    std::size_t m_column = 0;
    std::size_t m_cellSize = 0;
};

// The squares, three digits each, blank-separated: "074 181".
void putSquares(CellWriter& out, const std::vector<int>& squares) {
    char number[16];
    for (std::size_t i = 0; i < squares.size(); ++i) {
        char* p = number;
        if (i > 0) *p++ = ' ';
        if (squares[i] < 100) *p++ = '0';
        if (squares[i] < 10) *p++ = '0';
        p = std::to_chars(p, number + sizeof number, squares[i]).ptr;
        out.put(std::string_view(number, static_cast<std::size_t>(p - number)));
    }
    out.end();
}

// Where a form's terminator ends in the source.
std::uint64_t endOf(std::uint64_t begin, std::uint32_t size) {
    return begin + size + kTerminator.size();
}

// The form whose lines record holds, each ended by CR LF as the source holds them; false when
// record is not such lines (the source has changed).
bool makeForm(std::string_view record, int lines, search::Form& form) {
    form.clear();
    if (lines > search::Form::kMaxLines) return false;
    // Lines hold no CR: each CR ends one.
    std::size_t start = 0;
    for (int n = 0; n < lines; ++n) {
        const std::size_t cr = record.find('\r', start);
        if (cr == std::string_view::npos || record.substr(cr, 2) != "\r\n") return false;
        form.append(record.substr(start, cr - start));
        start = cr + 2;
    }
    return start == record.size();
}

} // namespace

const std::array<ResultColumn, kResultColumnCount>& resultColumns() {
    return kColumns;
}

ResultTable::ResultTable(search::FileSystem& files, const tables::RpTable* table, const search::OutputPaths& paths)
    : m_files(files), m_table(table), m_pending(paths.pending), m_extraction(paths.extraction) {}

ResultTable::~ResultTable() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closing = true;
        m_queue.clear();
    }
    m_changed.notify_all();
    if (m_worker.joinable()) m_worker.join();
}

std::string_view ResultTable::cell(std::size_t r, int column) const {
    const Row& at = row(r);
    const auto c = static_cast<std::size_t>(column);
    const std::uint32_t begin = c == 0 ? 0 : at.cellEnd[c - 1];
    return {m_text[at.textChunk].data + at.text + begin, at.cellEnd[c] - begin};
}

std::string_view ResultTable::rowText(std::size_t r) const {
    const Row& at = row(r);
    return {m_text[at.textChunk].data + at.text, at.cellEnd[kResultColumnCount - 1]};
}

std::span<const std::int16_t> ResultTable::squares(std::size_t r) const {
    const std::size_t begin = row(r).squares;
    const std::size_t end = r + 1 < m_rowCount ? row(r + 1).squares : m_squares.size();
    return std::span<const std::int16_t>(m_squares).subspan(begin, end - begin);
}

ResultTable::Row& ResultTable::addRow() {
    if (m_rowCount % kRowChunk == 0) {
        m_rowChunks.reserve(m_rowChunks.size() + 1);
        Row* chunk = static_cast<Row*>(m_arena.allocate(kRowChunk * sizeof(Row)));
        std::uninitialized_default_construct_n(chunk, kRowChunk);
        m_rowChunks.push_back(chunk);
    }
    Row& added = m_rowChunks.back()[m_rowCount % kRowChunk];
    ++m_rowCount;
    return added;
}

// The chunk the row's cells go to, with room for the longest row.
ResultTable::TextChunk& ResultTable::textFor(Row& row) {
    if (m_text.empty() || kTextChunk - m_text.back().size < kMaxRowBytes) {
        m_text.reserve(m_text.size() + 1);
        m_text.push_back({static_cast<char*>(m_arena.allocate(kTextChunk)), 0});
    }
    row.textChunk = static_cast<std::uint32_t>(m_text.size() - 1);
    row.text = static_cast<std::uint32_t>(m_text.back().size);
    return m_text.back();
}

void ResultTable::addCells(const FormFacts& f, Row& row) {
    TextChunk& text = textFor(row);
    CellWriter out(text.data + text.size, row.cellEnd);
    out.cell(std::to_string(f.selection));
    out.cell(f.reference);
    out.cell(f.year);
    out.cell(f.iocCode);
    out.cell(f.projects);
    out.cell(f.exchange);
    out.cell(f.country);
    out.cell(f.trackChart ? "yes" : "no");
    putSquares(out, f.squares);
    out.putJoined(f.ihbAreas, " ");
    out.end();
    out.cell(f.agency);
    out.cell(f.startDay);
    out.cell(f.startMonth);
    out.cell(f.endDay);
    out.cell(f.endMonth);
    const search::CruiseDays days{f.year, f.startDay, f.startMonth, f.endDay, f.endMonth};
    out.cell(search::isoDate(search::cruiseStart(days)));
    out.cell(search::isoDate(search::cruiseEnd(days)));
    out.cell(f.ports);
    out.cell(f.cruiseName);
    out.cell(f.designation);
    out.cell(f.shipCode);
    out.cell(f.ship);
    out.cell(f.chiefScientists);
    out.putJoined(f.contacts, "; ");
    out.end();
    bool first = true;
    for (const ObservationFacts& o : f.observations) {
        if (o.code.empty()) continue;
        if (!first) out.put(" ");
        first = false;
        out.put(o.code);
    }
    out.end();
    out.cell(f.waterBottles);
    out.cell(f.ctds);
    out.cell(f.atUlma);
    text.size += out.size();
}

// The run's side.

void ResultTable::formSelected(const search::Form& form, int last, long long selection) {
    if (m_refused) return;
    try {
        const std::optional<reports::ReportPart> extracted = m_reports ? m_reports->lastExtraction() : std::nullopt;
        if (!m_source && !openSource(extracted.has_value())) return;
        if (extracted.has_value() == (m_scratch != nullptr)) {
            refuse("the forms of this run are not all in " + m_extraction);
            return;
        }
        Taken taken{0, 0, static_cast<std::int16_t>(last + 1), selection,
                    m_reports ? m_reports->lastFullForm() : reports::ReportPart{}};
        if (extracted) {
            taken.begin = extracted->begin;
            taken.size = static_cast<std::uint32_t>(extracted->end - extracted->begin);
        } else if (!copyForm(form, last, taken)) {
            return;
        }
        if (m_filling.forms.capacity() < kBatchForms) m_filling.forms.reserve(kBatchForms);
        m_filling.forms.push_back(taken);
        if (m_filling.forms.size() >= kBatchForms) handOver(readable());
    } catch (const std::bad_alloc&) {
        refuse("not enough memory to keep the selected forms");
    }
}

// The forms are read back from the extraction file, or copied into a scratch file when they
// are not in one.
bool ResultTable::openSource(bool extracted) {
    std::string err;
    if (extracted) {
        m_source = m_files.openReadAt(m_pending, &err);
    } else if (std::unique_ptr<search::ScratchFile> scratch = m_files.createScratch(m_extraction, &err)) {
        m_scratch = scratch.get();
        m_source = std::move(scratch);
    }
    if (!m_source) refuse(err);
    return m_source != nullptr;
}

// Appends the form to the copy as the extraction file would hold it.
bool ResultTable::copyForm(const search::Form& form, int last, Taken& taken) {
    const std::size_t begin = m_copy.size();
    for (int n = 0; n <= last; ++n) {
        m_copy.append(form.line(n));
        m_copy.append("\r\n");
    }
    taken.begin = m_copied + begin;
    taken.size = static_cast<std::uint32_t>(m_copy.size() - begin);
    m_copy.append(kTerminator);
    return m_copy.size() < kCopyBytes || flushCopy();
}

bool ResultTable::flushCopy() {
    std::string err;
    if (!m_scratch->append(m_copy, &err)) {
        refuse(err);
        return false;
    }
    m_copied += m_copy.size();
    m_copy.clear();
    return true;
}

std::uint64_t ResultTable::readable() const {
    return m_scratch ? m_copied : m_reports->extractionWritten();
}

void ResultTable::refuse(const std::string& why) {
    m_refused = true;
    fail(why);
}

std::string ResultTable::notAsWritten() const {
    return m_extraction + " does not hold the selected forms as the search wrote them";
}

void ResultTable::fail(const std::string& why) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_failure.empty()) m_failure = why;
}

void ResultTable::handOver(std::uint64_t readable) {
    m_filling.readable = readable;
    if (!m_worker.joinable() && !m_closing) {
        try {
            m_worker = std::thread(&ResultTable::workerLoop, this);
        } catch (const std::system_error&) {
            m_closing = true; // no thread: each batch at once
        }
    }
    if (!m_worker.joinable()) {
        take(m_filling);
        m_filling.forms.clear();
        return;
    }
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_queue.size() < kQueuedBatches; });
        m_queue.push_back(std::move(m_filling));
        m_filling = {};
        if (!m_spare.empty()) {
            m_filling = std::move(m_spare.back());
            m_spare.pop_back();
        }
    }
    m_changed.notify_all();
}

void ResultTable::finish() {
    if (m_finished) return;
    if (m_scratch && !m_copy.empty() && !m_refused) flushCopy();
    // The run has ended: all it wrote can be read.
    handOver(kEverything);
    if (m_worker.joinable()) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_closing = true;
        }
        m_changed.notify_all();
        m_worker.join();
    }
    if (m_source) m_source->settle();
    m_spare.clear();
    m_filling = {};
    m_copy = {};
    m_waiting = {};
    m_bytes = {};
    m_finished = true;
}

// The worker's side.

void ResultTable::workerLoop() {
    for (;;) {
        Batch batch;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [this] { return !m_queue.empty() || m_closing; });
            if (m_queue.empty()) return;
            batch = std::move(m_queue.front());
            m_queue.pop_front();
        }
        m_changed.notify_all();
        take(batch);
        batch.forms.clear();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_spare.size() < kQueuedBatches) m_spare.push_back(std::move(batch));
        }
        m_changed.notify_all();
    }
}

void ResultTable::take(const Batch& batch) {
    if (m_broken) return;
    try {
        m_waiting.insert(m_waiting.end(), batch.forms.begin(), batch.forms.end());
        std::size_t ready = 0;
        while (ready < m_waiting.size() && endOf(m_waiting[ready].begin, m_waiting[ready].size) <= batch.readable)
            ++ready;
        for (std::size_t i = 0; i < ready && !m_broken;) {
            // The forms that follow this one in the source, read with it.
            const std::uint64_t from = m_waiting[i].begin;
            std::uint64_t to = endOf(from, m_waiting[i].size);
            std::size_t j = i + 1;
            while (j < ready && m_waiting[j].begin == to && endOf(to, m_waiting[j].size) - from <= kReadBytes) {
                to = endOf(to, m_waiting[j].size);
                ++j;
            }
            m_bytes.resize(to - from);
            std::string err;
            if (!m_source->readAt(from, m_bytes.data(), m_bytes.size(), &err)) {
                m_broken = true;
                fail("cannot read back the selected forms: " + err);
                break;
            }
            for (; i < j && !m_broken; ++i) {
                const Taken& taken = m_waiting[i];
                addForm(taken, std::string_view(m_bytes).substr(taken.begin - from, endOf(0, taken.size)));
            }
        }
        m_waiting.erase(m_waiting.begin(), m_waiting.begin() + static_cast<std::ptrdiff_t>(ready));
    } catch (const std::bad_alloc&) {
        m_broken = true;
        fail("not enough memory to keep the selected forms");
    }
}

// The row of a form from its record in the source, its terminator line after it.
void ResultTable::addForm(const Taken& taken, std::string_view record) {
    if (!record.ends_with(kTerminator) ||
        !makeForm(record.substr(0, record.size() - kTerminator.size()), taken.lines, m_form)) {
        m_broken = true;
        fail(notAsWritten());
        return;
    }
    Row row;
    row.form = taken.begin;
    row.formSize = taken.size;
    row.lines = taken.lines;
    row.selection = taken.selection;
    row.fullForm = taken.fullForm;
    row.squares = static_cast<std::uint32_t>(m_squares.size());
    // The cells show the observation codes alone: their other fields and definitions are left
    // to the exports.
    readFormFacts(m_form, taken.lines - 1, taken.selection, nullptr, m_facts, ObservationDetail::CodeOnly);
    addCells(m_facts, row);
    // A row joins the table whole or not at all: what may fail is done first.
    const std::size_t count = m_facts.squares.size();
    if (m_squares.capacity() - m_squares.size() < count)
        m_squares.reserve(std::max(2 * m_squares.capacity(), m_squares.size() + count));
    Row& added = addRow();
    for (int square : m_facts.squares)
        m_squares.push_back(static_cast<std::int16_t>(square));
    added = row;
}

bool ResultTable::readForm(const Row& row, std::string& bytes, search::Form& form, std::string* err) {
    bytes.resize(row.formSize);
    if (!m_source->readAt(row.form, bytes.data(), bytes.size(), err)) return false;
    if (makeForm(bytes, row.lines, form)) return true;
    *err = notAsWritten();
    return false;
}

bool ResultTable::exportRows(const std::vector<std::uint32_t>& rows, Export& e, std::string* err) {
    finish();
    if (!m_failure.empty() || (!m_source && !rows.empty())) {
        e.abandon();
        *err = "the selected forms could not be kept for export: " + m_failure;
        return false;
    }
    const auto changed = [&] {
        if (!m_source || m_source->unchanged()) return false;
        e.abandon();
        *err = m_extraction + " has changed since the search: search again to export its forms";
        return true;
    };
    if (changed()) return false;
    std::string bytes;
    search::Form form;
    try {
        for (std::uint32_t r : rows) {
            const Row& at = row(r);
            std::string readErr;
            if (!readForm(at, bytes, form, &readErr)) {
                e.abandon();
                *err = "cannot read back the selected forms: " + readErr;
                return false;
            }
            readFormFacts(form, at.lines - 1, at.selection, m_table, m_facts);
            e.write(m_facts);
        }
    } catch (const std::bad_alloc&) {
        e.abandon();
        *err = "not enough memory to write " + e.path();
        return false;
    }
    // A change while the forms were read may have mixed old and new.
    if (changed()) return false;
    return e.finish(err);
}

} // namespace exports
