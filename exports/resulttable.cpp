// The selected forms of the last run as a table to sort, filter, read and export again.
#include "exports/resulttable.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <system_error>
#include <unordered_map>

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

// The number a text begins with (blanks before it skipped), NaN when it begins with none.
double leadingNumber(std::string_view text) {
    text = search::trimBlanks(text);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end == text.data() || !std::isfinite(value)) return std::nan("");
    return value;
}

// Each Windows-1252 byte without its letter case (search::lowerChar), as a table.
const std::array<char, 256> kFold = [] {
    std::array<char, 256> fold{};
    for (int b = 0; b < 256; ++b)
        fold[static_cast<std::size_t>(b)] = search::lowerChar(static_cast<char>(b));
    return fold;
}();

// a before b, letter case aside.
bool foldedLess(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(kFold[static_cast<unsigned char>(a[i])]);
        const auto y = static_cast<unsigned char>(kFold[static_cast<unsigned char>(b[i])]);
        if (x != y) return x < y;
    }
    return a.size() < b.size();
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

// The view.

void ResultView::reset() {
    m_order.resize(m_table.size());
    for (std::size_t i = 0; i < m_order.size(); ++i)
        m_order[i] = static_cast<std::uint32_t>(i);
    m_shown = m_order;
    m_kept.assign(m_order.size(), 1);
    m_needle.clear();
}

// Rows by the number their cell begins with; cells without one after the others, by their text.
void ResultView::sortByNumber(int column, bool descending) {
    std::vector<double> keys(m_table.size());
    for (std::uint32_t r : m_order)
        keys[r] = leadingNumber(m_table.cell(r, column));
    const auto ascending = [&](std::uint32_t a, std::uint32_t b) {
        const double x = keys[a], y = keys[b];
        if (!std::isnan(x) && !std::isnan(y)) return x < y;
        if (std::isnan(x) != std::isnan(y)) return std::isnan(y);
        return foldedLess(m_table.cell(a, column), m_table.cell(b, column));
    };
    std::stable_sort(m_order.begin(), m_order.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return descending ? ascending(b, a) : ascending(a, b); });
}

namespace {

// The rank of each row's cell in a column: cells in order, letter case aside, equal ones (but
// for letter case) sharing a rank; the empty cell after all others when emptyLast. The
// column's distinct texts are sorted once, so that a column of few texts (ships, dates) costs
// little more than a pass over its rows.
struct Ranks {
    std::vector<std::uint32_t> ofRow;
    std::uint32_t count = 0;
};

Ranks rankCells(const ResultTable& table, int column, bool emptyLast) {
    Ranks ranks;
    std::unordered_map<std::string_view, std::uint32_t> index;
    std::vector<std::string_view> texts;
    std::vector<std::uint32_t> textOf(table.size());
    for (std::uint32_t r = 0; r < table.size(); ++r) {
        const auto [at, added] = index.try_emplace(table.cell(r, column), static_cast<std::uint32_t>(texts.size()));
        if (added) texts.push_back(at->first);
        textOf[r] = at->second;
    }

    // Each text's first eight bytes, folded, as a number, so that most comparisons are of two numbers.
    std::vector<std::uint64_t> keys(texts.size());
    for (std::size_t t = 0; t < texts.size(); ++t) {
        std::uint64_t key = 0;
        for (std::size_t i = 0; i < 8; ++i) {
            const char folded = i < texts[t].size() ? kFold[static_cast<unsigned char>(texts[t][i])] : '\0';
            key = key << 8 | static_cast<unsigned char>(folded);
        }
        keys[t] = key;
    }
    const auto less = [&](std::uint32_t a, std::uint32_t b) {
        const std::string_view x = texts[a], y = texts[b];
        if (emptyLast && x.empty() != y.empty()) return y.empty();
        if (keys[a] != keys[b]) return keys[a] < keys[b];
        return x.size() > 8 && y.size() > 8 ? foldedLess(x.substr(8), y.substr(8)) : x.size() < y.size();
    };
    std::vector<std::uint32_t> sorted(texts.size());
    for (std::uint32_t t = 0; t < sorted.size(); ++t)
        sorted[t] = t;
    std::sort(sorted.begin(), sorted.end(), less);

    std::vector<std::uint32_t> rankOfText(texts.size());
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        if (i > 0 && less(sorted[i - 1], sorted[i])) ++ranks.count;
        rankOfText[sorted[i]] = ranks.count;
    }
    ++ranks.count;
    ranks.ofRow.resize(table.size());
    for (std::size_t r = 0; r < table.size(); ++r)
        ranks.ofRow[r] = rankOfText[textOf[r]];
    return ranks;
}

} // namespace

// Rows by their cells' ranks, in selection order within a rank: a stable counting sort.
void ResultView::sortByText(int column, bool descending, bool emptyLast) {
    const Ranks ranks = rankCells(m_table, column, emptyLast);
    const auto place = [&](std::uint32_t r) { return descending ? ranks.count - 1 - ranks.ofRow[r] : ranks.ofRow[r]; };
    std::vector<std::uint32_t> start(ranks.count + 1, 0);
    const auto rows = static_cast<std::uint32_t>(m_table.size());
    for (std::uint32_t r = 0; r < rows; ++r)
        ++start[place(r) + 1];
    for (std::uint32_t k = 0; k < ranks.count; ++k)
        start[k + 1] += start[k];
    for (std::uint32_t r = 0; r < rows; ++r)
        m_order[start[place(r)]++] = r;
}

void ResultView::sortBy(int column, bool descending) {
    // A row's place in selection order breaks ties, so that a sort is the same whatever came before.
    const ColumnKind kind = kColumns[static_cast<std::size_t>(column)].kind;
    if (kind == Number) {
        std::sort(m_order.begin(), m_order.end());
        sortByNumber(column, descending);
    } else {
        sortByText(column, descending, kind == Date);
    }
    // The filter keeps the rows it kept, now in the new order.
    m_shown.clear();
    for (std::uint32_t r : m_order)
        if (m_kept[r] != 0) m_shown.push_back(r);
}

// Whether a shown cell of the row holds the needle. The row's text is searched whole, and each
// place found is kept when it lies within one shown cell.
bool ResultView::holds(std::uint32_t row) const {
    const std::string_view text = m_table.rowText(row);
    const auto& ends = m_table.cellEnds(row);
    std::size_t from = 0;
    while (text.size() - from >= m_needle.size()) {
        const std::size_t at = search::findUpperCased(text.substr(from), m_needle);
        if (at == std::string_view::npos) return false;
        const std::size_t begin = from + at;
        const auto cell = static_cast<std::size_t>(std::upper_bound(ends.begin(), ends.end(), begin) - ends.begin());
        if (m_filterColumns[cell] && begin + m_needle.size() <= ends[cell]) return true;
        from = begin + 1;
    }
    return false;
}

void ResultView::applyFilter(const std::vector<std::uint32_t>& candidates) {
    if (m_needle.empty()) {
        m_shown = candidates;
    } else if (&candidates == &m_shown) {
        std::erase_if(m_shown, [this](std::uint32_t r) { return !holds(r); });
    } else {
        m_shown.clear();
        for (std::uint32_t r : candidates)
            if (holds(r)) m_shown.push_back(r);
    }
    m_kept.assign(m_table.size(), 0);
    for (std::uint32_t r : m_shown)
        m_kept[r] = 1;
}

void ResultView::setFilter(std::string_view needle, const std::array<bool, kResultColumnCount>& shown) {
    // Upper-cased, as the criteria are: two texts are equal but for letter case exactly when
    // their upper-case forms are equal.
    std::string upper = search::upperCase(needle);
    // A longer text is held only by rows that hold the shorter one within it: look among those.
    const bool narrower = shown == m_filterColumns && !m_needle.empty() && upper.find(m_needle) != std::string::npos;
    m_needle = std::move(upper);
    m_filterColumns = shown;
    applyFilter(narrower ? m_shown : m_order);
}

} // namespace exports
