// A harvest's pages into the record store on a thread of their own, one whole page at a time.
#include "harvest/pagewriter.h"

#include <cstdio>
#include <utility>

namespace harvest {

namespace {

// A record's bytes as a key: FNV-1a, 64 bits, in hex.
std::string contentKey(const std::string& bytes) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return hex;
}

} // namespace

StoredRecord storedRecord(const PageRecord& record, const std::string& key) {
    StoredRecord stored;
    stored.key = key;
    stored.fileIdentifier = record.fileIdentifier;
    stored.dateStamp = record.dateStamp.empty() ? record.datestamp : record.dateStamp;
    stored.xml = record.xml;
    stored.built = record.built;
    stored.importable = record.verdict == csrimport::RecordVerdict::Imported;
    stored.recordDate = record.recordDate;
    return stored;
}

void countChange(Change change, const PageRecord& record, HarvestCounts& counts) {
    (change == Change::New ? counts.newRecords : change == Change::Changed ? counts.changed : counts.unchanged)++;
    if (record.verdict == csrimport::RecordVerdict::NotCsr && change != Change::Unchanged) ++counts.notCsr;
}

namespace {

bool putRecord(RecordStore& store, const Source& source, const PageRecord& record, const std::string& keyPrefix,
               HarvestCounts& counts, std::string* err) {
    const std::string key = !record.identifier.empty()       ? record.identifier
                            : !record.fileIdentifier.empty() ? record.fileIdentifier
                                                             : keyPrefix + "#" + contentKey(record.xml);
    if (record.deleted) {
        const int was = store.markDeleted(source, key, record.datestamp, err);
        counts.deleted += was > 0 ? 1 : 0;
        return was >= 0;
    }
    const std::optional<Change> change = store.putRecord(source, storedRecord(record, key), err);
    if (!change) return false;
    countChange(*change, record, counts);
    return true;
}

} // namespace

void addRecordCounts(HarvestCounts& to, const HarvestCounts& from) {
    to.newRecords += from.newRecords;
    to.changed += from.changed;
    to.unchanged += from.unchanged;
    to.deleted += from.deleted;
    to.notCsr += from.notCsr;
}

bool writePage(RecordStore& store, const std::vector<PageRecord>& records, const Source& after,
               const std::string& keyPrefix, HarvestCounts* counts, std::string* err) {
    Transaction transaction(store.db());
    HarvestCounts page;
    bool ok = transaction.begun();
    *err = transaction.error();
    for (std::size_t i = 0; ok && i < records.size(); ++i)
        ok = putRecord(store, after, records[i], keyPrefix, page, err);
    if (ok && !after.inProgress && after.full) {
        const long long gone = store.deleteUnseen(after, err);
        ok = gone >= 0;
        page.deleted += gone > 0 ? gone : 0;
    }
    Source saved = after;
    ok = ok && store.saveSource(saved, err);
    if (ok && !transaction.commit()) {
        ok = false;
        *err = transaction.error();
    }
    if (ok) addRecordCounts(*counts, page);
    return ok;
}

PageWriter::PageWriter(RecordStore& store) : m_store(store), m_thread([this] { run(); }) {}

PageWriter::~PageWriter() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ending = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void PageWriter::write(std::vector<PageRecord> records, Source after, std::string keyPrefix,
                       std::shared_ptr<const RecordCut> cut) {
    std::unique_lock<std::mutex> lock(m_mutex);
    waitFor(lock, [this] { return m_pending.empty(); });
    m_pending.push_back({std::move(records), std::move(after), std::move(keyPrefix), std::move(cut)});
    m_changed.notify_all();
}

bool PageWriter::drain(std::string* err) {
    std::unique_lock<std::mutex> lock(m_mutex);
    waitFor(lock, [this] { return m_pending.empty() && !m_busy; });
    *err = m_error;
    return m_error.empty();
}

template <typename Ready> void PageWriter::waitFor(std::unique_lock<std::mutex>& lock, Ready ready) {
    for (;;) {
        m_changed.wait(lock, [&] { return m_uncut || ready(); });
        if (!m_uncut) return;
        Pending page = std::move(*m_uncut);
        m_uncut.reset();
        const Page again = readPage(*page.cut->bytes);
        if (again.records.size() == page.records.size()) {
            for (std::size_t i = 0; i < again.records.size(); ++i)
                page.records[i].xml = again.records[i].xml;
        } else if (m_error.empty()) {
            m_error = "the records of a page could not be read again";
        }
        page.cut.reset();
        m_pending.push_front(std::move(page));
        m_changed.notify_all();
    }
}

bool PageWriter::failed() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_error.empty();
}

HarvestCounts PageWriter::counts() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_counts;
}

void PageWriter::run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return (!m_pending.empty() && !m_uncut) || m_ending; });
        if (m_pending.empty() || m_uncut) return;
        Pending page = std::move(m_pending.front());
        m_pending.pop_front();
        m_busy = true;
        m_changed.notify_all(); // room for the next page
        const bool skip = !m_error.empty();
        HarvestCounts counts = m_counts;
        lock.unlock();
        if (!skip && page.cut && !cutRecords(*page.cut, page.records)) {
            lock.lock();
            m_uncut = std::move(page);
            m_busy = false;
            m_changed.notify_all();
            continue;
        }
        std::string err;
        const bool ok = skip || writePage(m_store, page.records, page.after, page.keyPrefix, &counts, &err);
        page = Pending{};
        lock.lock();
        if (!ok) m_error = err;
        if (ok && !skip) m_counts = counts;
        m_busy = false;
        m_changed.notify_all();
    }
}

} // namespace harvest
