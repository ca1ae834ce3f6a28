#include "platform/registry/store_database.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <new>
#include <random>
#include <thread>
#include <vector>

namespace ob::registry::detail {
namespace {

using Clock = std::chrono::steady_clock;

// SQLite waits this long for a lock inside one call...
constexpr int kBusyTimeoutMs = 2000;
// ...and a whole transaction is retried until this much time has passed.
constexpr auto kRetryLimit = std::chrono::seconds(20);

std::atomic<std::uint64_t> problemCounter{0};

bool IsBusy(const SqliteError& error) {
    return error.Primary() == SQLITE_BUSY || error.Primary() == SQLITE_LOCKED;
}

bool IsCorrupt(const SqliteError& error) {
    return error.Corrupt();
}

// A short random pause between retries, so that competing processes spread out.
void PauseBeforeRetry() {
    thread_local std::minstd_rand random(
        static_cast<unsigned>(::getpid()) ^
        static_cast<unsigned>(Clock::now().time_since_epoch().count()));
    std::this_thread::sleep_for(std::chrono::milliseconds(2 + random() % 20));
}

// Creates the missing directories of `dir`: the user's own settings folder is
// private (0700), the machine folder readable by everyone (0755).
int MakeDirectories(const std::filesystem::path& dir, mode_t mode) {
    std::vector<std::filesystem::path> missing;
    struct stat info {};
    for (std::filesystem::path at = dir; !at.empty() && ::stat(at.c_str(), &info) != 0;
         at = at.parent_path()) {
        if (errno != ENOENT) {
            return errno;
        }
        missing.push_back(at);
        if (at.parent_path() == at) {
            break;
        }
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (::mkdir(it->c_str(), mode) != 0 && errno != EEXIST) {
            return errno;
        }
    }
    return 0;
}

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

} // namespace

StoreDatabase& StoreDatabase::Of(Store store) {
    // Never destroyed: threads still running while the process exits may use
    // the stores after static destructors have started.
    alignas(StoreDatabase) static unsigned char machineStorage[sizeof(StoreDatabase)];
    alignas(StoreDatabase) static unsigned char userStorage[sizeof(StoreDatabase)];
    static StoreDatabase* const machine =
        ::new (static_cast<void*>(machineStorage)) StoreDatabase(Store::Machine);
    static StoreDatabase* const user =
        ::new (static_cast<void*>(userStorage)) StoreDatabase(Store::User);
    return store == Store::Machine ? *machine : *user;
}

void StoreDatabase::Reset() {
    std::lock_guard lock(mutex_);
    Disconnect();
    ClearProblem();
}

std::string StoreDatabase::Problem(std::uint64_t* sequence) const {
    std::lock_guard lock(problemMutex_);
    if (sequence != nullptr) {
        *sequence = problemSequence_;
    }
    return problem_;
}

void StoreDatabase::RecordProblem(std::string text) {
    std::lock_guard lock(problemMutex_);
    problem_ = std::move(text);
    problemSequence_ = ++problemCounter;
}

void StoreDatabase::ClearProblem() {
    std::lock_guard lock(problemMutex_);
    problem_.clear();
}

void StoreDatabase::Disconnect() {
    if (pid_ != ::getpid()) {
        // Inherited through fork(): the parent still owns it (and its locks).
        connection_.Abandon();
    } else {
        connection_.Close();
    }
    mode_ = Mode::Closed;
    path_.clear();
    schemaReady_ = false;
    journalChecked_ = false;
}

void StoreDatabase::RememberFile() {
    struct stat info {};
    if (::stat(path_.c_str(), &info) == 0) {
        device_ = info.st_dev;
        inode_ = info.st_ino;
    } else {
        device_ = 0;
        inode_ = 0;
    }
}

bool StoreDatabase::IsCurrent(const std::string& path) const {
    // The same process, the same path, and still the same file there (it may
    // have been deleted or replaced since the connection was opened).
    struct stat info {};
    return pid_ == ::getpid() && path == path_ && ::stat(path.c_str(), &info) == 0 &&
           info.st_dev == device_ && info.st_ino == inode_;
}

void StoreDatabase::Configure() {
    connection_.SetBusyTimeout(kBusyTimeoutMs);
    connection_.Exec("PRAGMA synchronous = FULL");
    connection_.Exec("PRAGMA cell_size_check = ON");
}

SqliteConnection* StoreDatabase::ConnectForRead(const std::string& path) {
    if (mode_ != Mode::Closed) {
        if (IsCurrent(path)) {
            return &connection_;
        }
        Disconnect();
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return nullptr; // no database yet: an empty store
        }
        throw SqliteError{SQLITE_CANTOPEN, std::strerror(errno)};
    }
    // Open for writing when the file allows it, so that a reader can roll back
    // the journal a killed writer left behind; otherwise read-only.
    const bool writable = DatabaseFileWritable(path);
    std::string error;
    const int rc =
        connection_.Open(path, writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY, error);
    pid_ = ::getpid();
    if (rc != SQLITE_OK) {
        Disconnect();
        throw SqliteError{rc, error};
    }
    mode_ = writable && !connection_.ReadOnly() ? Mode::ReadWrite : Mode::ReadOnly;
    path_ = path;
    RememberFile();
    Configure();
    return &connection_;
}

long StoreDatabase::ConnectForWrite(const std::string& path) {
    if (mode_ != Mode::Closed) {
        if (mode_ == Mode::ReadWrite && IsCurrent(path)) {
            return ERROR_SUCCESS;
        }
        Disconnect();
    }
    if (!DatabaseFileWritable(path)) {
        return ERROR_ACCESS_DENIED;
    }
    const std::filesystem::path dir = std::filesystem::path(path).parent_path();
    if (!dir.empty()) {
        const int err = MakeDirectories(dir, store_ == Store::User ? 0700 : 0755);
        if (err == EACCES || err == EPERM || err == EROFS) {
            return ERROR_ACCESS_DENIED;
        }
        if (err != 0) {
            RecordProblem("The settings database " + Quoted(path) +
                          " cannot be created: " + std::strerror(err) + ".");
            return ERROR_REGISTRY_IO_FAILED;
        }
    }
    std::string error;
    const int rc = connection_.Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error);
    pid_ = ::getpid();
    if (rc != SQLITE_OK) {
        Disconnect();
        throw SqliteError{rc, error};
    }
    if (connection_.ReadOnly()) {
        Disconnect();
        return ERROR_ACCESS_DENIED;
    }
    mode_ = Mode::ReadWrite;
    path_ = path;
    RememberFile();
    Configure();
    return ERROR_SUCCESS;
}

long StoreDatabase::WriteFailure(const std::string& path, const SqliteError& error) {
    switch (error.Primary()) {
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        Disconnect();
        return ERROR_ACCESS_DENIED;
    case SQLITE_CANTOPEN:
        Disconnect();
        if (!DatabaseFileWritable(path)) {
            return ERROR_ACCESS_DENIED;
        }
        break;
    default:
        break;
    }
    if (IsCorrupt(error)) {
        Disconnect();
        RecordProblem("The settings database " + Quoted(path) + " is corrupt (" + error.message +
                      "); nothing was written.");
        return ERROR_BADDB;
    }
    if (!IsBusy(error)) {
        Disconnect();
    }
    RecordProblem("The settings database " + Quoted(path) + " cannot be written (" + error.message +
                  ").");
    return ERROR_REGISTRY_IO_FAILED;
}

long StoreDatabase::Read(const Body& body) {
    // The environment is read before the store is locked: callers may hold the
    // environment lock while they use the store, so the reverse order would
    // deadlock.
    const std::string path = DatabaseFile(store_);
    std::lock_guard lock(mutex_);
    KeyTree empty(nullptr);
    if (path.empty()) {
        RecordProblem("There is no place for the user settings database: none of "
                      "OBRENTA_USER_DIR, XDG_CONFIG_HOME and HOME is set and the account "
                      "has no home directory.");
        return body(empty);
    }
    const auto deadline = Clock::now() + kRetryLimit;
    for (;;) {
        try {
            SqliteConnection* connection = ConnectForRead(path);
            if (connection == nullptr) {
                ClearProblem();
                return body(empty);
            }
            connection->Exec("BEGIN");
            KeyTree tree(connection);
            if (!schemaReady_) {
                schemaReady_ = tree.HasSchema();
            }
            const long result = schemaReady_ ? body(tree) : body(empty);
            connection->Exec("COMMIT");
            ClearProblem();
            return result;
        } catch (const SqliteError& error) {
            connection_.RollbackQuietly();
            if (IsBusy(error) && Clock::now() < deadline) {
                PauseBeforeRetry();
                continue;
            }
            if (IsCorrupt(error)) {
                RecordProblem("The settings database " + Quoted(path) + " is corrupt (" +
                              error.message + "); it is read as empty.");
            } else {
                RecordProblem("The settings database " + Quoted(path) + " cannot be read (" +
                              error.message + "); it is read as empty.");
            }
            if (!IsBusy(error)) {
                Disconnect();
            }
            return body(empty);
        }
    }
}

long StoreDatabase::Write(const Body& body, bool create) {
    // Environment first, store lock second (see Read).
    if (store_ == Store::Machine && MachineMarkedReadOnly()) {
        return ERROR_ACCESS_DENIED;
    }
    const std::string path = DatabaseFile(store_);
    std::lock_guard lock(mutex_);
    if (path.empty()) {
        RecordProblem("There is no place for the user settings database: none of "
                      "OBRENTA_USER_DIR, XDG_CONFIG_HOME and HOME is set and the account "
                      "has no home directory.");
        return ERROR_REGISTRY_IO_FAILED;
    }
    struct stat info {};
    if (!create && ::stat(path.c_str(), &info) != 0 && errno == ENOENT) {
        return ERROR_FILE_NOT_FOUND; // nothing to delete from
    }
    const auto deadline = Clock::now() + kRetryLimit;
    for (;;) {
        try {
            const long connected = ConnectForWrite(path);
            if (connected != ERROR_SUCCESS) {
                return connected;
            }
            if (!journalChecked_) {
                // Rollback journal, not WAL: a WAL database needs write access to
                // its shared-memory file even to be read.
                Statement mode = connection_.Prepare("PRAGMA journal_mode = DELETE");
                journalChecked_ = mode.Step() && mode.Text(0) == "delete";
            }
            connection_.Exec("BEGIN IMMEDIATE");
            KeyTree tree(&connection_);
            if (!schemaReady_) {
                tree.CreateSchema();
            }
            const long result = body(tree);
            if (result == ERROR_SUCCESS) {
                connection_.Exec("COMMIT");
                schemaReady_ = true;
            } else {
                connection_.RollbackQuietly();
            }
            ClearProblem();
            return result;
        } catch (const SqliteError& error) {
            connection_.RollbackQuietly();
            if (IsBusy(error) && Clock::now() < deadline) {
                PauseBeforeRetry();
                continue;
            }
            return WriteFailure(path, error);
        }
    }
}

} // namespace ob::registry::detail
