// SQLite handles as objects: the database, prepared statements and transactions.
#ifndef HARVEST_SQLITE_H
#define HARVEST_SQLITE_H

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace harvest {

struct CloseDatabase {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct FinalizeStatement {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using DatabaseHandle = std::unique_ptr<sqlite3, CloseDatabase>;

/// Opens (creating when create is true) the database at path; null with err filled when it
/// cannot be had.
DatabaseHandle openDatabase(const std::string& path, bool create, std::string* err);

/// A prepared statement, reused: bind, step, read the columns, reset.
class Statement {
public:
    Statement() = default;
    /// Prepares sql on db; false with err filled when it does not prepare.
    bool prepare(sqlite3* db, const char* sql, std::string* err);

    Statement& bind(int index, std::string_view text);
    Statement& bindBlob(int index, std::string_view bytes);
    Statement& bind(int index, std::int64_t value);
    Statement& bindNull(int index);
    Statement& bindOptional(int index, const std::optional<std::string>& text);
    /// The next row: true for a row, false at the end; err is filled on a failure (and then
    /// ok() is false).
    bool step();
    /// Runs a statement that returns no row; false with the database's reason in error().
    bool run();
    bool ok() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }

    std::string text(int column) const;
    std::optional<std::string> optionalText(int column) const;
    std::int64_t integer(int column) const;
    bool isNull(int column) const;
    int columns() const { return sqlite3_column_count(m_statement.get()); }
    /// Makes the statement ready for its next use, its bindings cleared.
    void reset();

private:
    std::unique_ptr<sqlite3_stmt, FinalizeStatement> m_statement;
    sqlite3* m_db = nullptr;
    std::string m_error;
};

/// BEGIN IMMEDIATE in its constructor, ROLLBACK in its destructor unless commit() succeeded:
/// an early return or a stop leaves the store as it was.
class Transaction {
public:
    explicit Transaction(sqlite3* db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    /// Whether BEGIN succeeded; error() says why not.
    bool begun() const { return m_begun; }
    /// COMMIT; false with error() filled (the transaction is then rolled back).
    bool commit();
    const std::string& error() const { return m_error; }

private:
    sqlite3* m_db;
    bool m_begun = false;
    bool m_done = false;
    std::string m_error;
};

/// Runs statements that return no rows; false with err filled.
bool execute(sqlite3* db, const char* sql, std::string* err);

} // namespace harvest

#endif // HARVEST_SQLITE_H
