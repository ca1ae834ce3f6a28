// The run history's database: one SQLite file, by default history.db in the
// machine settings folder ($OBRENTA_MACHINE_DIR, beside registry.db), holding one
// row per run. Like the settings store it writes in rollback-journal mode with
// synchronous writes, one transaction per batch, so a process killed at any point
// leaves the runs of the last commit and a file that opens cleanly.
//
// A file found damaged (or not a database at all) is moved aside to
// "NAME.damaged-YYYYMMDD-HHMMSS" (with its journal) and a new one is started, so
// the history goes on; the note given back says so.
//
// One object is used by one thread at a time (the history writer's thread); Read
// opens its own connection and may run on any thread.
#pragma once

#include "history/history_filter.h"
#include "history/retention.h"
#include "history/run_record.h"
#include "platform/sqlite/sqlite_connection.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ob::history {

class HistoryDatabase {
public:
    /// history.db beside the machine settings store.
    static std::string DefaultPath();

    /// Opens `path` for writing, creating its folder, the file and the table when
    /// missing. False when it cannot; `note` tells why, or that a damaged file was
    /// moved aside (then the result is true).
    bool Open(const std::string& path, std::string& note);
    bool IsOpen() const { return connection_.IsOpen(); }
    void Close();

    /// Appends the runs in one transaction (their ids are filled in). A damaged
    /// file is moved aside and the runs go to a new one. False, with `note`, when
    /// they could not be written.
    bool Append(std::vector<RunRecord>& runs, std::string& note);

    /// Drops the runs that started before `nowMs` less the days kept, then the
    /// oldest beyond the number kept. False, with `note`, on a failure.
    bool Prune(const Retention& retention, std::int64_t nowMs, std::string& note);

    /// The runs of a history file that pass the filter: the newest `limit` of them,
    /// oldest first. A file that does not exist holds no runs. False, with
    /// `problem`, when it cannot be read or is damaged.
    static bool Read(const std::string& path, const HistoryFilter& filter,
                     std::vector<RunRecord>& runs, std::string& problem);

private:
    bool OpenFile(std::string& note);
    void Prepare();
    std::string MoveAside(const std::string& reason);
    void WriteRuns(std::vector<RunRecord>& runs);

    sqlite::SqliteConnection connection_;
    std::string path_;
};

} // namespace ob::history
