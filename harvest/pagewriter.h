// A harvest's pages into the record store on a thread of their own, one whole page at a time.
#ifndef HARVEST_PAGEWRITER_H
#define HARVEST_PAGEWRITER_H

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "harvest/harvesthost.h"
#include "harvest/page.h"
#include "harvest/recordstore.h"

namespace harvest {

/// Puts a page's records and the source's state after it into the store in one transaction:
/// all of it, or nothing. Adds what it changed to counts (on a failure they are left as they
/// were); false with err filled. A record without an identifier is keyed by keyPrefix and what
/// it holds. When the state after the page ends a full harvest, the records of the source it
/// did not list are marked deleted in the same transaction.
bool writePage(RecordStore& store, const std::vector<PageRecord>& records, const Source& after,
               const std::string& keyPrefix, HarvestCounts* counts, std::string* err);

/// A record of a page as the store keeps it, under key.
StoredRecord storedRecord(const PageRecord& record, const std::string& key);
/// Counts what putting a record changed.
void countChange(Change change, const PageRecord& record, HarvestCounts& counts);

/// The counts of a store's records a harvest changes; the others stay.
void addRecordCounts(HarvestCounts& to, const HarvestCounts& from);

/// Writes pages with writePage on a thread of its own, in the order given, while the harvest
/// fetches and reads the next one: at most one page waits while another is written. After a
/// page fails, no later one is written. Ending it (or drain) waits for every page handed over.
/// A page's records left by readPageLater are cut on that thread; a page whose bytes do not cut
/// is read again by readPage on the thread that next hands a page over or drains, since only
/// one thread at a time reads XML.
class PageWriter {
public:
    explicit PageWriter(RecordStore& store);
    ~PageWriter();
    PageWriter(const PageWriter&) = delete;
    PageWriter& operator=(const PageWriter&) = delete;

    /// Hands a page over; waits while one already waits.
    void write(std::vector<PageRecord> records, Source after, std::string keyPrefix = {},
               std::shared_ptr<const RecordCut> cut = {});
    /// Waits until every page handed over is written; false with err filled when one failed.
    bool drain(std::string* err);
    /// Whether a page failed (what drain then says).
    bool failed() const;
    /// The record counts of the pages written so far.
    HarvestCounts counts() const;

private:
    struct Pending {
        std::vector<PageRecord> records;
        Source after;
        std::string keyPrefix;
        std::shared_ptr<const RecordCut> cut;
    };
    void run();
    // Waits for ready, reading again on this thread a page that did not cut meanwhile.
    template <typename Ready> void waitFor(std::unique_lock<std::mutex>& lock, Ready ready);

    RecordStore& m_store;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Pending> m_pending;
    std::optional<Pending> m_uncut; // a page whose bytes did not cut, the writing held until it is read again
    bool m_busy = false;
    bool m_ending = false;
    std::string m_error;
    HarvestCounts m_counts;
    std::thread m_thread;
};

} // namespace harvest

#endif // HARVEST_PAGEWRITER_H
