// The record store of a harvest: the sources, every record harvested, and the year files written.
#ifndef HARVEST_RECORDSTORE_H
#define HARVEST_RECORDSTORE_H

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "harvest/sqlite.h"

namespace harvest {

/// A catalogue or a list of record addresses, with its settings and the state of its harvest.
struct Source {
    std::int64_t id = 0;
    std::string address;        // the catalogue's address, or the path of the list ("-": standard input)
    std::string protocol;       // "csw", "oai" or "list"
    std::string set;            // OAI set; empty for none
    std::string metadataPrefix; // OAI; empty: the first ISO 19139 format the catalogue names
    int pageSize = 100;
    std::optional<std::string> nextFrom; // the time the next incremental harvest asks from
    // The harvest in progress (or the last one when inProgress is false).
    std::int64_t generation = 0;
    bool inProgress = false;
    bool full = false;
    std::optional<std::string> windowFrom;    // the from it asks from
    std::optional<std::string> paging;        // CSW: the next startPosition; OAI: the resumptionToken
    std::optional<std::string> pagingExpires; // OAI: the token's expirationDate
    std::optional<std::string> harvestStart;  // OAI: responseDate of its first reply; CSW: when it began
    std::optional<bool> sortAccepted;         // CSW: whether the catalogue takes a sort on the identifier
};

/// A record as received, with what the store keys and orders it by.
struct StoredRecord {
    std::string key;                 // OAI identifier, CSW fileIdentifier or record address
    std::string fileIdentifier;      // empty when the record has none
    std::string dateStamp;           // the record's dateStamp or the OAI datestamp
    std::string xml;                 // the record as a document of its own
    std::optional<std::string> etag; // of its address (list)
    std::optional<std::string> lastModified;
    /// What the importer makes of the document (csrimport::BuiltRecord, encoded); empty when
    /// it is to be read from the XML (a document of several records).
    std::string built;
    bool importable = false; // the importer makes a form of it
    std::string recordDate;  // its dateStamp as the importer reads it, "YYYY-MM-DD" or empty
};

/// What putting a record changed.
enum class Change { New, Changed, Unchanged };

/// A year file the store wrote, to know it again.
struct WrittenFile {
    std::uint64_t size = 0;
    std::string checksum;
};

/// The SQLite database csr.sqlite of a folder (schema version 1, PRAGMA user_version). A store
/// of another version is refused, never rewritten. Every change of a harvest's page is made
/// within one Transaction, so the store is always one whole page after another.
class RecordStore {
public:
    static constexpr int kVersion = 1;
    static constexpr const char* kFileName = "csr.sqlite";

    /// Opens the store of folder; creates it when create is true and there is none. False with
    /// err filled: it cannot be opened, is no SQLite database, or has an unknown version.
    bool open(const std::string& folder, bool create, std::string* err);
    /// Holds the store for this process alone until it is destroyed; false with err filled when
    /// another harvest holds it.
    bool lock(std::string* err);
    RecordStore() = default;
    ~RecordStore();
    RecordStore(const RecordStore&) = delete;
    RecordStore& operator=(const RecordStore&) = delete;
    sqlite3* db() const { return m_db.get(); }
    const std::string& path() const { return m_path; }

    std::vector<Source> sources(std::string* err);
    std::optional<Source> source(const std::string& address, std::string* err);
    /// Adds a source (its id filled) or saves its settings and state; false with err filled.
    bool saveSource(Source& source, std::string* err);

    /// Puts a record listed by source's harvest of generation; what it changed, or nothing with
    /// err filled. A key listed twice by one harvest keeps the record the importer would keep
    /// of the two: one it makes a form of before one it does not, then the later dateStamp, then
    /// the later listed. A record listed by a later harvest replaces the one kept, unless both
    /// make forms and the one kept has the later dateStamp.
    std::optional<Change> putRecord(const Source& source, const StoredRecord& record, std::string* err);
    /// Notes that source's harvest listed key unchanged (a 304); false with err filled.
    bool markSeen(const Source& source, const std::string& key, std::string* err);
    /// Marks a record deleted (creating it when unknown); 1 when it was live, 0 when not, -1 on a failure.
    int markDeleted(const Source& source, const std::string& key, const std::string& dateStamp, std::string* err);
    /// Marks deleted the live records of source that its harvest of this generation did not
    /// list; how many, or -1 on a failure.
    long long deleteUnseen(const Source& source, std::string* err);
    /// The keys of a source's records, deleted or not, with their etag and last-modified.
    std::vector<StoredRecord> keys(const Source& source, std::string* err);

    /// The live records in the order the year files are written from: source, then key.
    struct Live {
        std::int64_t id;
        std::string name; // "csr.sqlite:SOURCE-ID:KEY"
        std::uint64_t size;
        bool built; // a BuiltRecord of the current revision is kept
    };
    std::vector<Live> liveRecords(std::string* err);
    /// The XML of a record by its id.
    bool recordXml(std::int64_t id, std::string* xml, std::string* err);
    /// The BuiltRecord kept of a record, encoded; false with err filled when there is none.
    bool recordBuilt(std::int64_t id, std::string* built, std::string* err);

    std::map<std::string, WrittenFile> yearFiles(std::string* err);
    bool setYearFile(const std::string& name, const WrittenFile& file, std::string* err);
    bool removeYearFile(const std::string& name, std::string* err);

private:
    bool createSchema(std::string* err);
    bool prepare(std::string* err);

    std::string m_path;
    DatabaseHandle m_db;
    int m_lockFd = -1;
    Statement m_findRecord, m_insertRecord, m_updateRecord, m_touchRecord, m_deleteRecord, m_insertDeleted, m_readBuilt,
        m_sameRecord;
};

/// The time now, UTC, as "YYYY-MM-DDThh:mm:ssZ".
std::string utcNow();

} // namespace harvest

#endif // HARVEST_RECORDSTORE_H
