// A thin RAII layer over one SQLite connection: prepared statements kept per
// connection, errors thrown as SqliteError (callers catch them: the settings
// store's database and the run history, never beyond their own exports). Not
// thread-safe: the owner serialises every use.
#pragma once

#include "platform/export.h"

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace ob::sqlite {

/// A failed SQLite call: its extended result code and message.
struct OB_PLATFORM_API SqliteError {
    int code = SQLITE_ERROR;
    std::string message;
    /// The primary result code (SQLITE_BUSY for SQLITE_BUSY_RECOVERY, ...).
    int Primary() const { return code & 0xff; }
    /// The file is damaged, or not a database at all.
    bool Corrupt() const { return Primary() == SQLITE_CORRUPT || Primary() == SQLITE_NOTADB; }
};

struct StatementFinalizer {
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using StatementHandle = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

/// One execution of a prepared statement. A statement borrowed from the
/// connection's cache is reset when this object ends, so it must not outlive the
/// connection.
class OB_PLATFORM_API Statement {
public:
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&&) = delete;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    /// Binds text (kept byte for byte, embedded NULs included) or an integer to
    /// the 1-based parameter `index`.
    Statement& Bind(int index, std::string_view text);
    Statement& Bind(int index, std::int64_t value);

    /// Runs one step: true when a row is available, false when done.
    bool Step();

    std::int64_t Int(int column) const;
    std::string Text(int column) const;

private:
    friend class SqliteConnection;
    Statement(sqlite3* db, sqlite3_stmt* borrowed, bool* inUse, StatementHandle owned);

    sqlite3* db_;
    sqlite3_stmt* stmt_;
    bool* inUse_;           // the cache entry's busy flag, null when owned
    StatementHandle owned_; // set when the statement is not from the cache
};

class OB_PLATFORM_API SqliteConnection {
public:
    SqliteConnection() = default;
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    /// Opens `path` with sqlite3_open_v2 flags; returns the (extended) result code
    /// and, on failure, the reason in `error`.
    int Open(const std::string& path, int flags, std::string& error);
    /// Finalises the statements and closes the connection.
    void Close();
    /// Forgets the connection without touching it: for a child process after
    /// fork(), which must not use or close its parent's connection.
    void Abandon();

    bool IsOpen() const { return db_ != nullptr; }
    /// True when SQLite opened the file read-only.
    bool ReadOnly() const;
    bool InTransaction() const;

    /// How long a call waits for another connection's lock before SQLITE_BUSY.
    void SetBusyTimeout(int milliseconds);

    /// A prepared statement for `sql`, compiled once per connection.
    Statement Prepare(const char* sql);
    /// Runs one or more statements that return no rows.
    void Exec(const char* sql);
    /// Rolls back an open transaction, ignoring errors.
    void RollbackQuietly();

    std::int64_t LastInsertId() const;
    int Changes() const;

private:
    struct CachedStatement {
        StatementHandle stmt;
        bool inUse = false;
    };

    sqlite3* db_ = nullptr;
    std::unordered_map<std::string, CachedStatement> cache_;
};

} // namespace ob::sqlite
