// One settings database (the machine store or the user store) and its cached
// connection.
//
// Every operation is one transaction: reads in a deferred transaction, writes in
// BEGIN IMMEDIATE ... COMMIT with PRAGMA synchronous=FULL in rollback-journal mode,
// so a process killed at any point leaves the last committed state and a success
// is only reported once the commit is on disk. Lock contention with other
// processes is waited out (SQLite's busy timeout, then whole-transaction
// retries for a bounded time).
//
// A database that does not exist, cannot be opened or is corrupt reads as empty;
// the reason (except plain absence) is kept as the store's problem. Reads never
// create anything; the first write creates the directory and the database.
//
// Any thread: operations on one store are serialised by its mutex, which is never
// held while the environment is read (callers may hold the environment lock). A child
// process after fork() opens its own connection (the parent's is left alone).
#pragma once

#include "platform/registry/key_tree.h"
#include "platform/sqlite/sqlite_connection.h"
#include "platform/registry/store_location.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <sys/types.h>

namespace ob::registry::detail {

class StoreDatabase {
public:
    /// The process-wide database object of a store.
    static StoreDatabase& Of(Store store);

    explicit StoreDatabase(Store store) : store_(store) {}
    StoreDatabase(const StoreDatabase&) = delete;
    StoreDatabase& operator=(const StoreDatabase&) = delete;

    /// Work done inside a transaction; returns a Windows error code.
    using Body = std::function<long(KeyTree&)>;

    /// Runs `body` in a read transaction. An absent, unreadable or corrupt
    /// database gives `body` an empty tree.
    long Read(const Body& body);

    /// Runs `body` in a write transaction, committed when it returns
    /// ERROR_SUCCESS and rolled back otherwise. ERROR_ACCESS_DENIED when the
    /// store is not writable, ERROR_BADDB when it is corrupt,
    /// ERROR_REGISTRY_IO_FAILED for other failures of the database. With
    /// `create` false (deletions) a database that does not exist is left alone
    /// and the result is ERROR_FILE_NOT_FOUND.
    long Write(const Body& body, bool create = true);

    /// Closes the connection; the next operation reopens from the current path.
    void Reset();

    /// The last problem met with this database, empty when the last operation
    /// went well; `sequence` orders problems of different stores.
    std::string Problem(std::uint64_t* sequence = nullptr) const;

private:
    enum class Mode { Closed, ReadOnly, ReadWrite };

    SqliteConnection* ConnectForRead(const std::string& path);
    long ConnectForWrite(const std::string& path);
    void Configure();
    void RememberFile();
    bool IsCurrent(const std::string& path) const;
    void Disconnect();
    long WriteFailure(const std::string& path, const SqliteError& error);
    void RecordProblem(std::string text);
    void ClearProblem();

    const Store store_;
    std::mutex mutex_; // serialises the connection and its transactions
    SqliteConnection connection_;
    Mode mode_ = Mode::Closed;
    std::string path_;
    pid_t pid_ = 0;
    dev_t device_ = 0; // identity of the file the connection has open
    ino_t inode_ = 0;
    bool schemaReady_ = false;    // the tables are known to exist
    bool journalChecked_ = false; // rollback-journal mode confirmed on this connection

    mutable std::mutex problemMutex_;
    std::string problem_;
    std::uint64_t problemSequence_ = 0;
};

} // namespace ob::registry::detail
