// SQLite handles as objects: the database, prepared statements and transactions.
#include "harvest/sqlite.h"

namespace harvest {

DatabaseHandle openDatabase(const std::string& path, bool create, std::string* err) {
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    DatabaseHandle handle(db);
    if (rc != SQLITE_OK) {
        *err = path + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        return nullptr;
    }
    // Another process that holds the store (a second harvest) is waited for a little, then refused.
    sqlite3_busy_timeout(db, 2000);
    sqlite3_extended_result_codes(db, 1);
    return handle;
}

bool execute(sqlite3* db, const char* sql, std::string* err) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
    *err = message ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    return false;
}

bool Statement::prepare(sqlite3* db, const char* sql, std::string* err) {
    m_db = db;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK) {
        *err = sqlite3_errmsg(db);
        return false;
    }
    m_statement.reset(statement);
    return true;
}

Statement& Statement::bind(int index, std::string_view text) {
    sqlite3_bind_text(m_statement.get(), index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::bindBlob(int index, std::string_view bytes) {
    sqlite3_bind_blob64(m_statement.get(), index, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::bind(int index, std::int64_t value) {
    sqlite3_bind_int64(m_statement.get(), index, value);
    return *this;
}

Statement& Statement::bindNull(int index) {
    sqlite3_bind_null(m_statement.get(), index);
    return *this;
}

Statement& Statement::bindOptional(int index, const std::optional<std::string>& text) {
    return text ? bind(index, std::string_view(*text)) : bindNull(index);
}

bool Statement::step() {
    const int rc = sqlite3_step(m_statement.get());
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) m_error = sqlite3_errmsg(m_db);
    return false;
}

bool Statement::run() {
    m_error.clear();
    step();
    const bool done = m_error.empty();
    reset();
    return done;
}

std::string Statement::text(int column) const {
    const auto* bytes = sqlite3_column_blob(m_statement.get(), column);
    const int size = sqlite3_column_bytes(m_statement.get(), column);
    return bytes ? std::string(static_cast<const char*>(bytes), static_cast<std::size_t>(size)) : std::string();
}

std::optional<std::string> Statement::optionalText(int column) const {
    if (isNull(column)) return std::nullopt;
    return text(column);
}

std::int64_t Statement::integer(int column) const {
    return sqlite3_column_int64(m_statement.get(), column);
}

bool Statement::isNull(int column) const {
    return sqlite3_column_type(m_statement.get(), column) == SQLITE_NULL;
}

void Statement::reset() {
    sqlite3_reset(m_statement.get());
    sqlite3_clear_bindings(m_statement.get());
}

Transaction::Transaction(sqlite3* db) : m_db(db) {
    m_begun = execute(db, "BEGIN IMMEDIATE", &m_error);
}

Transaction::~Transaction() {
    if (m_begun && !m_done) {
        std::string ignored;
        execute(m_db, "ROLLBACK", &ignored);
    }
}

bool Transaction::commit() {
    if (!m_begun) return false;
    if (!execute(m_db, "COMMIT", &m_error)) return false; // the destructor rolls back
    m_done = true;
    return true;
}

} // namespace harvest
