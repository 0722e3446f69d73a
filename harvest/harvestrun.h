// One harvest: every source's pages into the record store, then the year files from the store.
#ifndef HARVEST_HARVESTRUN_H
#define HARVEST_HARVESTRUN_H

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "harvest/fetcher.h"
#include "harvest/harvesthost.h"
#include "harvest/page.h"
#include "harvest/protocols.h"
#include "harvest/recordstore.h"
#include "harvest/transport.h"
#include "search/filesystem.h"

namespace harvest {

/// A source as given: a catalogue with its protocol and settings, or a list of record addresses.
struct SourceSpec {
    std::string address;  // a catalogue's address; for "list" the path of the list, or "-"
    std::string protocol; // "csw", "oai" or "list"; empty: as the store knows it
    std::string set;
    std::string metadataPrefix;
    std::optional<int> pageSize;
    std::vector<std::string> listed; // the addresses of a list read from standard input
};

/// What a harvest is asked to do.
struct HarvestSettings {
    std::string folder;              // of the store and the form files; it must exist
    std::vector<SourceSpec> sources; // none: every source the store knows
    std::optional<std::string> from; // ask from this time instead of the last harvest's
    bool full = false;               // harvest from the start; at its end, what is no longer listed is deleted
    bool formsOnly = false;          // no network: the year files from the store
    bool replace = false;            // year files the store did not write (or that changed) may be replaced
    RetrySettings retry;
};

/// How a harvest ended.
enum class HarvestOutcome {
    Written, // every source harvested to its end and the year files written
    Stopped, // stopped: the store keeps every page committed
    Failed,  // a catalogue, the network or the store failed: the store keeps what was committed
    Refused, // the store or a source cannot be used, or year files that may not be replaced
};

/// Harvests each source page by page. Each page's records and the paging state after it are
/// committed in one transaction, so that a harvest cut short at any moment resumes after its
/// last committed page. A source's harvest that completes sets the time the next one asks from
/// (OAI-PMH: the responseDate of its first reply; CSW: when it began). Then the year files are
/// written from the store (FormFiles).
class HarvestRun {
public:
    HarvestRun(HarvestHost& host, Transport& transport, search::FileSystem& fs)
        : m_host(host), m_transport(transport), m_fs(fs) {}

    HarvestOutcome run(const HarvestSettings& settings);
    const std::string& error() const { return m_error; }
    const HarvestCounts& counts() const { return m_counts; }
    /// The year files written with their form counts, and the ones removed.
    const std::vector<std::pair<std::string, std::size_t>>& written() const { return m_written; }
    const std::vector<std::string>& removed() const { return m_removed; }
    /// The year files that may not be replaced (without replace), when the harvest was refused for them.
    const std::vector<std::string>& existingFiles() const { return m_existing; }
    /// The importer's summary of the records the year files were written from.
    const std::string& importSummary() const { return m_importSummary; }

private:
    class Harvester;
    std::optional<HarvestOutcome> gatherSources(const HarvestSettings& settings, std::vector<Source>* sources);
    HarvestOutcome writeForms(const HarvestSettings& settings);

    HarvestHost& m_host;
    Transport& m_transport;
    search::FileSystem& m_fs;
    RecordStore m_store;
    std::string m_error;
    HarvestCounts m_counts;
    std::vector<std::pair<std::string, std::size_t>> m_written;
    std::vector<std::string> m_removed;
    std::string m_importSummary;
    std::vector<std::string> m_existing;
};

/// The line of a harvest's counts, without a line end: "Records new: 3, changed: 0, unchanged: 0,
/// deleted: 0, not CSR: 1; pages: 3; retries: 0; year files written: 1".
std::string summaryLine(const HarvestCounts& counts);

} // namespace harvest

#endif // HARVEST_HARVESTRUN_H
