// The year files of a folder written from its record store by the importer, and known again.
#ifndef HARVEST_FORMFILES_H
#define HARVEST_FORMFILES_H

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "harvest/recordstore.h"
#include "import/importhost.h"
#include "import/importrun.h"
#include "search/filesystem.h"

namespace harvest {

/// The live records of a store, one document each, in the order of RecordStore::liveRecords().
class StoreDocuments : public csrimport::DocumentSource {
public:
    explicit StoreDocuments(RecordStore& store) : m_store(store) {}
    /// Lists the records; false with err filled.
    bool list(std::string* err);

    std::size_t count() const override { return m_live.size(); }
    std::uint64_t totalBytes() const override;
    std::string name(std::size_t i) const override { return m_live[i].name; }
    bool read(std::size_t i, std::string* bytes, std::string* err) override;
    std::optional<csrimport::BuiltRecord> prebuilt(std::size_t i, std::uint64_t* size) override;

private:
    RecordStore& m_store;
    std::vector<RecordStore::Live> m_live;
};

/// What a file holds, to know it again: its size and a checksum (FNV-1a, 64 bits, in hex).
std::optional<WrittenFile> fileChecksum(search::FileSystem& fs, const std::string& path);

/// How writing the year files ended.
enum class FormFilesOutcome { Written, Refused, Stopped, Failed };

/// Writes the year files of folder from store's live records with csrimport::ImportRun, with its
/// promises (hidden names, synced, renamed in year order, the folder's lock, bounded memory), so
/// that they are those morvex-import writes from the same records given as files. A year file
/// the store wrote and that is unchanged since is replaced; another only with replace. A year
/// file the store wrote whose records are all deleted is removed (one changed since only with
/// replace). The store records what it wrote.
class FormFiles {
public:
    FormFiles(RecordStore& store, search::FileSystem& fs, csrimport::ImportHost& host)
        : m_store(store), m_fs(fs), m_host(host) {}

    FormFilesOutcome write(const std::string& folder, bool replace);
    /// Why, when the outcome is not Written.
    const std::string& error() const { return m_error; }
    /// The files written, with their form counts, in year order; the files removed.
    const std::vector<std::pair<std::string, std::size_t>>& written() const { return m_written; }
    const std::vector<std::string>& removed() const { return m_removed; }
    const csrimport::ImportCounts& counts() const { return m_counts; }
    /// The year files that may not be replaced, when writing was refused for them.
    const std::vector<std::string>& existing() const { return m_existing; }

private:
    bool unchanged(const std::string& folder, const std::string& name, const WrittenFile& known);
    bool removeEmptied(const std::string& folder, bool replace);

    RecordStore& m_store;
    search::FileSystem& m_fs;
    csrimport::ImportHost& m_host;
    std::string m_error;
    std::vector<std::pair<std::string, std::size_t>> m_written;
    std::vector<std::string> m_removed;
    csrimport::ImportCounts m_counts;
    std::vector<std::string> m_existing;
};

} // namespace harvest

#endif // HARVEST_FORMFILES_H
