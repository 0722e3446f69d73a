// The record store of a harvest: the sources, every record harvested, and the year files written.
#include "harvest/recordstore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "import/formbuilder.h"

namespace harvest {

namespace {

constexpr const char* kSchema = R"sql(
CREATE TABLE sources (
    id INTEGER PRIMARY KEY,
    address TEXT NOT NULL UNIQUE,
    protocol TEXT NOT NULL CHECK (protocol IN ('csw', 'oai', 'list')),
    set_spec TEXT NOT NULL DEFAULT '',
    metadata_prefix TEXT NOT NULL DEFAULT '',
    page_size INTEGER NOT NULL DEFAULT 100,
    next_from TEXT,
    generation INTEGER NOT NULL DEFAULT 0,
    in_progress INTEGER NOT NULL DEFAULT 0,
    full INTEGER NOT NULL DEFAULT 0,
    window_from TEXT,
    paging TEXT,
    paging_expires TEXT,
    harvest_start TEXT,
    sort_accepted INTEGER
);
CREATE TABLE records (
    id INTEGER PRIMARY KEY,
    source INTEGER NOT NULL REFERENCES sources(id),
    key TEXT NOT NULL,
    file_identifier TEXT NOT NULL DEFAULT '',
    date_stamp TEXT NOT NULL DEFAULT '',
    fetched TEXT NOT NULL,
    deleted INTEGER NOT NULL DEFAULT 0,
    seen INTEGER NOT NULL DEFAULT 0,
    etag TEXT,
    last_modified TEXT,
    importable INTEGER NOT NULL DEFAULT 0,
    record_date TEXT NOT NULL DEFAULT '',
    built_revision INTEGER,
    -- The large values last, the XML after every other: a column that follows a value too
    -- large for its page is reached only through that value's overflow pages.
    built BLOB,
    xml BLOB,
    UNIQUE (source, key)
);
CREATE TABLE year_files (
    name TEXT PRIMARY KEY,
    size INTEGER NOT NULL,
    checksum TEXT NOT NULL,
    written TEXT NOT NULL
);
PRAGMA user_version = 1;
)sql";

constexpr const char* kSourceColumns =
    "id, address, protocol, set_spec, metadata_prefix, page_size, next_from, generation, in_progress, full, "
    "window_from, paging, paging_expires, harvest_start, sort_accepted";

Source readSource(const Statement& row) {
    Source s;
    s.id = row.integer(0);
    s.address = row.text(1);
    s.protocol = row.text(2);
    s.set = row.text(3);
    s.metadataPrefix = row.text(4);
    s.pageSize = static_cast<int>(row.integer(5));
    s.nextFrom = row.optionalText(6);
    s.generation = row.integer(7);
    s.inProgress = row.integer(8) != 0;
    s.full = row.integer(9) != 0;
    s.windowFrom = row.optionalText(10);
    s.paging = row.optionalText(11);
    s.pagingExpires = row.optionalText(12);
    s.harvestStart = row.optionalText(13);
    if (!row.isNull(14)) s.sortAccepted = row.integer(14) != 0;
    return s;
}

} // namespace

std::string utcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

RecordStore::~RecordStore() {
    if (m_lockFd >= 0) ::close(m_lockFd);
}

// flock on the store's own file: SQLite's locks are of another kind, and this one ends with
// the process however it ends.
bool RecordStore::lock(std::string* err) {
    m_lockFd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_lockFd < 0) {
        *err = m_path + ": " + std::strerror(errno);
        return false;
    }
    if (::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0) return true;
    *err = errno == EWOULDBLOCK ? "another harvest is updating " + m_path + "; wait until it has finished"
                                : m_path + ": " + std::strerror(errno);
    return false;
}

bool RecordStore::open(const std::string& folder, bool create, std::string* err) {
    m_path = folder.empty() || folder.back() == '/' ? folder + kFileName : folder + "/" + kFileName;
    m_db = openDatabase(m_path, create, err);
    if (!m_db) return false;
    Statement version;
    if (!version.prepare(m_db.get(), "PRAGMA user_version", err)) {
        *err = m_path + ": not a record store (" + *err + ")";
        return false;
    }
    version.step();
    const std::int64_t found = version.integer(0);
    version.reset();
    if (found == 0) {
        Statement tables;
        if (!tables.prepare(m_db.get(), "SELECT count(*) FROM sqlite_schema", err)) return false;
        tables.step();
        const bool empty = tables.integer(0) == 0;
        tables.reset();
        if (!empty) {
            *err = m_path + ": an SQLite database that is no record store of morvex-harvest; it is left as it is";
            return false;
        }
        if (!createSchema(err)) return false;
    } else if (found != kVersion) {
        *err = m_path + ": a record store of version " + std::to_string(found) +
               ", which this morvex-harvest does not know (it knows version " + std::to_string(kVersion) +
               "); it is left as it is";
        return false;
    }
    return prepare(err);
}

bool RecordStore::createSchema(std::string* err) {
    // Write-ahead logging: a harvest killed at any moment leaves the store as its last commit left it.
    if (!execute(m_db.get(), "PRAGMA journal_mode = WAL", err)) return false;
    Transaction transaction(m_db.get());
    if (!transaction.begun()) {
        *err = transaction.error();
        return false;
    }
    if (!execute(m_db.get(), kSchema, err)) return false;
    if (!transaction.commit()) {
        *err = transaction.error();
        return false;
    }
    return true;
}

bool RecordStore::prepare(std::string* err) {
    // A page is committed whole; the log is synced when it is folded into the database, so that
    // a power cut loses at most the last pages, never the store.
    execute(m_db.get(), "PRAGMA synchronous = NORMAL", err);
    const struct {
        Statement* statement;
        const char* sql;
    } statements[] = {
        {&m_findRecord, "SELECT id, deleted, xml IS NOT NULL AND xml = ?3, seen, importable, record_date FROM records "
                        "WHERE source = ?1 AND key = ?2"},
        {&m_insertRecord,
         "INSERT INTO records (source, key, file_identifier, date_stamp, fetched, deleted, seen, etag, "
         "last_modified, xml, importable, record_date, built, built_revision) "
         "VALUES (?1, ?2, ?3, ?4, ?5, 0, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)"},
        {&m_updateRecord,
         "UPDATE records SET file_identifier = ?2, date_stamp = ?3, fetched = ?4, deleted = 0, seen = ?5, "
         "etag = ?6, last_modified = ?7, xml = ?8, importable = ?9, record_date = ?10, built = ?11, "
         "built_revision = ?12 WHERE id = ?1"},
        {&m_sameRecord, "UPDATE records SET seen = ?2, etag = ?3, last_modified = ?4, built = coalesce(?5, built), "
                        "built_revision = coalesce(?6, built_revision) WHERE id = ?1"},
        {&m_touchRecord, "UPDATE records SET seen = ?3 WHERE source = ?1 AND key = ?2"},
        {&m_deleteRecord, "UPDATE records SET deleted = 1, date_stamp = ?3, fetched = ?4, seen = ?5, xml = NULL, "
                          "built = NULL, built_revision = NULL WHERE source = ?1 AND key = ?2"},
        {&m_insertDeleted, "INSERT INTO records (source, key, date_stamp, fetched, deleted, seen) "
                           "VALUES (?1, ?2, ?3, ?4, 1, ?5)"},
        {&m_readBuilt, "SELECT built FROM records WHERE id = ?1 AND built_revision = ?2"},
    };
    for (const auto& [statement, sql] : statements)
        if (!statement->prepare(m_db.get(), sql, err)) return false;
    return true;
}

std::vector<Source> RecordStore::sources(std::string* err) {
    std::vector<Source> all;
    Statement list;
    if (!list.prepare(m_db.get(), (std::string("SELECT ") + kSourceColumns + " FROM sources ORDER BY id").c_str(), err))
        return all;
    while (list.step())
        all.push_back(readSource(list));
    if (!list.ok()) *err = list.error();
    return all;
}

std::optional<Source> RecordStore::source(const std::string& address, std::string* err) {
    Statement find;
    if (!find.prepare(m_db.get(),
                      (std::string("SELECT ") + kSourceColumns + " FROM sources WHERE address = ?1").c_str(), err))
        return std::nullopt;
    find.bind(1, address);
    if (!find.step()) {
        if (!find.ok()) *err = find.error();
        return std::nullopt;
    }
    return readSource(find);
}

bool RecordStore::saveSource(Source& s, std::string* err) {
    Statement save;
    const char* sql =
        s.id == 0
            ? "INSERT INTO sources (address, protocol, set_spec, metadata_prefix, page_size, next_from, generation, "
              "in_progress, full, window_from, paging, paging_expires, harvest_start, sort_accepted) "
              "VALUES (?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15)"
            : "UPDATE sources SET address = ?2, protocol = ?3, set_spec = ?4, metadata_prefix = ?5, page_size = ?6, "
              "next_from = ?7, generation = ?8, in_progress = ?9, full = ?10, window_from = ?11, paging = ?12, "
              "paging_expires = ?13, harvest_start = ?14, sort_accepted = ?15 WHERE id = ?1";
    if (!save.prepare(m_db.get(), sql, err)) return false;
    if (s.id != 0) save.bind(1, s.id);
    save.bind(2, s.address).bind(3, s.protocol).bind(4, s.set).bind(5, s.metadataPrefix);
    save.bind(6, static_cast<std::int64_t>(s.pageSize)).bindOptional(7, s.nextFrom).bind(8, s.generation);
    save.bind(9, std::int64_t{s.inProgress}).bind(10, std::int64_t{s.full}).bindOptional(11, s.windowFrom);
    save.bindOptional(12, s.paging).bindOptional(13, s.pagingExpires).bindOptional(14, s.harvestStart);
    if (s.sortAccepted) save.bind(15, std::int64_t{*s.sortAccepted});
    if (!save.run()) {
        *err = save.error();
        return false;
    }
    if (s.id == 0) s.id = sqlite3_last_insert_rowid(m_db.get());
    return true;
}

namespace {

// A record's columns in the statement that updates the record of row id, or that inserts it
// when there is none.
void bindRecord(Statement& write, std::optional<std::int64_t> id, const Source& source, const StoredRecord& r) {
    const int first = id ? 2 : 3; // the columns both statements bind alike
    if (id)
        write.bind(1, *id);
    else
        write.bind(1, source.id).bind(2, r.key);
    write.bind(first, r.fileIdentifier).bind(first + 1, r.dateStamp).bind(first + 2, utcNow());
    write.bind(first + 3, source.generation).bindOptional(first + 4, r.etag).bindOptional(first + 5, r.lastModified);
    write.bindBlob(first + 6, r.xml).bind(first + 7, std::int64_t{r.importable}).bind(first + 8, r.recordDate);
    if (r.built.empty())
        write.bindNull(first + 9).bindNull(first + 10);
    else
        write.bindBlob(first + 9, r.built).bind(first + 10, std::int64_t{csrimport::BuiltRecord::kRevision});
}

} // namespace

std::optional<Change> RecordStore::putRecord(const Source& source, const StoredRecord& r, std::string* err) {
    m_findRecord.bind(1, source.id).bind(2, r.key).bindBlob(3, r.xml);
    const bool known = m_findRecord.step();
    const std::int64_t id = known ? m_findRecord.integer(0) : 0;
    const bool live = known && m_findRecord.integer(1) == 0;
    const bool same = live && m_findRecord.integer(2) != 0;
    // Listed before by this harvest: the importer's choice between two of one identifier. Listed
    // by an earlier one: an older copy of a record the store keeps does not replace it, and any
    // other listing does.
    const bool knownImportable = live && m_findRecord.integer(4) != 0;
    const bool knownNewer = m_findRecord.text(5) > r.recordDate;
    const bool keepKnown =
        !same && knownImportable &&
        (m_findRecord.integer(3) == source.generation ? !r.importable || knownNewer : r.importable && knownNewer);
    const bool ok = m_findRecord.ok();
    *err = m_findRecord.error();
    m_findRecord.reset();
    if (!ok) return std::nullopt;
    if (keepKnown) return Change::Unchanged;
    Statement& write = same ? m_sameRecord : known ? m_updateRecord : m_insertRecord;
    if (same) {
        // The bytes are those kept: what the listing says of them, and the built record when
        // the one kept is of another revision.
        write.bind(1, id).bind(2, source.generation).bindOptional(3, r.etag).bindOptional(4, r.lastModified);
        if (!r.built.empty()) write.bindBlob(5, r.built).bind(6, std::int64_t{csrimport::BuiltRecord::kRevision});
    } else {
        bindRecord(write, known ? std::optional(id) : std::nullopt, source, r);
    }
    if (!write.run()) {
        *err = write.error();
        return std::nullopt;
    }
    return !known ? Change::New : same ? Change::Unchanged : Change::Changed;
}

bool RecordStore::markSeen(const Source& source, const std::string& key, std::string* err) {
    m_touchRecord.bind(1, source.id).bind(2, key).bind(3, source.generation);
    if (m_touchRecord.run()) return true;
    *err = m_touchRecord.error();
    return false;
}

int RecordStore::markDeleted(const Source& source, const std::string& key, const std::string& dateStamp,
                             std::string* err) {
    m_findRecord.bind(1, source.id).bind(2, key).bindBlob(3, std::string_view());
    const bool known = m_findRecord.step();
    const bool live = known && m_findRecord.integer(1) == 0;
    m_findRecord.reset();
    Statement& write = known ? m_deleteRecord : m_insertDeleted;
    write.bind(1, source.id).bind(2, key).bind(3, dateStamp).bind(4, utcNow()).bind(5, source.generation);
    if (!write.run()) {
        *err = write.error();
        return -1;
    }
    return live ? 1 : 0;
}

long long RecordStore::deleteUnseen(const Source& source, std::string* err) {
    Statement gone;
    if (!gone.prepare(m_db.get(),
                      "UPDATE records SET deleted = 1, xml = NULL, built = NULL, built_revision = NULL, fetched = ?3 "
                      "WHERE source = ?1 AND deleted = 0 AND seen <> ?2",
                      err))
        return -1;
    gone.bind(1, source.id).bind(2, source.generation).bind(3, utcNow());
    if (!gone.run()) {
        *err = gone.error();
        return -1;
    }
    return sqlite3_changes(m_db.get());
}

std::vector<StoredRecord> RecordStore::keys(const Source& source, std::string* err) {
    std::vector<StoredRecord> found;
    Statement list;
    if (!list.prepare(m_db.get(), "SELECT key, etag, last_modified FROM records WHERE source = ?1 ORDER BY id", err))
        return found;
    list.bind(1, source.id);
    while (list.step()) {
        StoredRecord r;
        r.key = list.text(0);
        r.etag = list.optionalText(1);
        r.lastModified = list.optionalText(2);
        found.push_back(std::move(r));
    }
    if (!list.ok()) *err = list.error();
    return found;
}

std::vector<RecordStore::Live> RecordStore::liveRecords(std::string* err) {
    std::vector<Live> live;
    Statement list;
    if (!list.prepare(m_db.get(),
                      "SELECT id, source, key, length(xml), built IS NOT NULL AND built_revision = ?1 FROM records "
                      "WHERE deleted = 0 AND xml IS NOT NULL ORDER BY source, key",
                      err))
        return live;
    list.bind(1, std::int64_t{csrimport::BuiltRecord::kRevision});
    while (list.step())
        live.push_back({list.integer(0),
                        std::string(kFileName) + ":" + std::to_string(list.integer(1)) + ":" + list.text(2),
                        static_cast<std::uint64_t>(list.integer(3)), list.integer(4) != 0});
    if (!list.ok()) *err = list.error();
    return live;
}

bool RecordStore::recordBuilt(std::int64_t id, std::string* built, std::string* err) {
    m_readBuilt.bind(1, id).bind(2, std::int64_t{csrimport::BuiltRecord::kRevision});
    const bool found = m_readBuilt.step();
    if (found) *built = m_readBuilt.text(0);
    *err = found              ? std::string()
           : m_readBuilt.ok() ? "the record is no longer built in the store"
                              : m_readBuilt.error();
    m_readBuilt.reset();
    return found;
}

bool RecordStore::recordXml(std::int64_t id, std::string* xml, std::string* err) {
    Statement read;
    if (!read.prepare(m_db.get(), "SELECT xml FROM records WHERE id = ?1", err)) return false;
    read.bind(1, id);
    if (!read.step()) {
        *err = read.ok() ? "the record is no longer in the store" : read.error();
        return false;
    }
    *xml = read.text(0);
    return true;
}

std::map<std::string, WrittenFile> RecordStore::yearFiles(std::string* err) {
    std::map<std::string, WrittenFile> files;
    Statement list;
    if (!list.prepare(m_db.get(), "SELECT name, size, checksum FROM year_files", err)) return files;
    while (list.step())
        files[list.text(0)] = WrittenFile{static_cast<std::uint64_t>(list.integer(1)), list.text(2)};
    if (!list.ok()) *err = list.error();
    return files;
}

bool RecordStore::setYearFile(const std::string& name, const WrittenFile& file, std::string* err) {
    Statement save;
    if (!save.prepare(m_db.get(),
                      "INSERT OR REPLACE INTO year_files (name, size, checksum, written) VALUES (?1, ?2, ?3, ?4)", err))
        return false;
    save.bind(1, name).bind(2, static_cast<std::int64_t>(file.size)).bind(3, file.checksum).bind(4, utcNow());
    if (save.run()) return true;
    *err = save.error();
    return false;
}

bool RecordStore::removeYearFile(const std::string& name, std::string* err) {
    Statement remove;
    if (!remove.prepare(m_db.get(), "DELETE FROM year_files WHERE name = ?1", err)) return false;
    remove.bind(1, name);
    if (remove.run()) return true;
    *err = remove.error();
    return false;
}

} // namespace harvest
