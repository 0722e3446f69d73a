// What a harvest tells its user, and how it learns that it must stop or wait.
#ifndef HARVEST_HARVESTHOST_H
#define HARVEST_HARVESTHOST_H

#include <cstdint>
#include <optional>
#include <string>

namespace harvest {

/// The counts of a harvest so far.
struct HarvestCounts {
    long long newRecords = 0, changed = 0, unchanged = 0, deleted = 0, notCsr = 0;
    long long pages = 0, retries = 0, yearFilesWritten = 0, yearFilesRemoved = 0;
    std::uint64_t bytes = 0; // of the replies
};

/// Where a harvest stands, for a progress line.
struct HarvestProgress {
    std::string source;             // the address being harvested
    long long records = 0;          // records of this source's harvest so far
    std::optional<long long> total; // numberOfRecordsMatched or completeListSize, when told
    HarvestCounts counts;
    double waitSeconds = 0;     // a retry's wait, when it waits
    int retry = 0, retries = 0; // the retry waited for, of how many
};

/// The caller of a harvest: the command line prints, the window shows, tests record.
class HarvestHost {
public:
    virtual ~HarvestHost() = default;
    virtual void progress(const HarvestProgress& progress) = 0;
    /// A record, reply or file that needs a word: one line.
    virtual void message(const std::string& text) = 0;
    /// Whether the harvest must stop (asked between pages, during transfers and waits).
    virtual bool stopRequested() = 0;
    /// Waits before a retry; false when a stop came during the wait.
    virtual bool wait(double seconds) = 0;
};

} // namespace harvest

#endif // HARVEST_HARVESTHOST_H
