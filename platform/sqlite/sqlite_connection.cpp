#include "platform/sqlite/sqlite_connection.h"

#include <utility>

namespace ob::sqlite {
namespace {

[[noreturn]] void Throw(sqlite3* db, int code) {
    SqliteError error;
    error.code = db != nullptr ? sqlite3_extended_errcode(db) : code;
    if ((error.code & 0xff) != (code & 0xff)) {
        error.code = code;
    }
    error.message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    throw error;
}

} // namespace

Statement::Statement(sqlite3* db, sqlite3_stmt* borrowed, bool* inUse, StatementHandle owned)
    : db_(db), stmt_(borrowed), inUse_(inUse), owned_(std::move(owned)) {
    if (owned_) {
        stmt_ = owned_.get();
    }
    if (inUse_ != nullptr) {
        *inUse_ = true;
    }
}

Statement::Statement(Statement&& other) noexcept
    : db_(other.db_), stmt_(other.stmt_), inUse_(other.inUse_), owned_(std::move(other.owned_)) {
    other.stmt_ = nullptr;
    other.inUse_ = nullptr;
}

Statement::~Statement() {
    if (stmt_ != nullptr && inUse_ != nullptr) {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
        *inUse_ = false;
    }
}

Statement& Statement::Bind(int index, std::string_view text) {
    // A null pointer would bind SQL NULL: an empty text must still be text.
    const char* bytes = text.data() != nullptr ? text.data() : "";
    const int rc =
        sqlite3_bind_text(stmt_, index, bytes, static_cast<int>(text.size()), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK) {
        Throw(db_, rc);
    }
    return *this;
}

Statement& Statement::Bind(int index, std::int64_t value) {
    const int rc = sqlite3_bind_int64(stmt_, index, value);
    if (rc != SQLITE_OK) {
        Throw(db_, rc);
    }
    return *this;
}

bool Statement::Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    Throw(db_, rc);
}

std::int64_t Statement::Int(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

std::string Statement::Text(int column) const {
    const auto* bytes = sqlite3_column_text(stmt_, column);
    const int size = sqlite3_column_bytes(stmt_, column);
    if (bytes == nullptr || size <= 0) {
        return {};
    }
    return std::string(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(size));
}

SqliteConnection::~SqliteConnection() {
    Close();
}

int SqliteConnection::Open(const std::string& path, int flags, std::string& error) {
    Close();
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_EXRESCODE, nullptr);
    if (rc != SQLITE_OK) {
        error = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close_v2(db);
        return rc;
    }
    db_ = db;
    return SQLITE_OK;
}

void SqliteConnection::Close() {
    cache_.clear();
    if (db_ != nullptr) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

void SqliteConnection::Abandon() {
    for (auto& entry : cache_) {
        [[maybe_unused]] sqlite3_stmt* leaked = entry.second.stmt.release();
    }
    cache_.clear();
    db_ = nullptr;
}

bool SqliteConnection::ReadOnly() const {
    return db_ != nullptr && sqlite3_db_readonly(db_, "main") == 1;
}

bool SqliteConnection::InTransaction() const {
    return db_ != nullptr && sqlite3_get_autocommit(db_) == 0;
}

void SqliteConnection::SetBusyTimeout(int milliseconds) {
    sqlite3_busy_timeout(db_, milliseconds);
}

Statement SqliteConnection::Prepare(const char* sql) {
    auto found = cache_.find(sql);
    if (found != cache_.end() && !found->second.inUse) {
        return Statement(db_, found->second.stmt.get(), &found->second.inUse, nullptr);
    }
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v3(
        db_, sql, -1, found == cache_.end() ? SQLITE_PREPARE_PERSISTENT : 0, &raw, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(raw);
        Throw(db_, rc);
    }
    StatementHandle handle(raw);
    if (found != cache_.end()) {
        // The cached copy is running (a nested use): this one is private.
        return Statement(db_, nullptr, nullptr, std::move(handle));
    }
    auto& entry = cache_[sql];
    entry.stmt = std::move(handle);
    return Statement(db_, entry.stmt.get(), &entry.inUse, nullptr);
}

void SqliteConnection::Exec(const char* sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        SqliteError error;
        error.code = sqlite3_extended_errcode(db_);
        if ((error.code & 0xff) != (rc & 0xff)) {
            error.code = rc;
        }
        error.message = message != nullptr ? message : sqlite3_errstr(rc);
        sqlite3_free(message);
        throw error;
    }
}

void SqliteConnection::RollbackQuietly() {
    if (InTransaction()) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

std::int64_t SqliteConnection::LastInsertId() const {
    return sqlite3_last_insert_rowid(db_);
}

int SqliteConnection::Changes() const {
    return sqlite3_changes(db_);
}

} // namespace ob::sqlite
