#include "history/history_database.h"

#include "common/regex/regex_program.h"
#include "platform/registry/registry.h"
#include "platform/time/clock.h"
#include "platform/time/ole_date.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace ob::history {
namespace {

using sqlite::SqliteError;

// A write waits this long for another process's lock on the file.
constexpr int kBusyTimeoutMs = 5000;
constexpr std::int64_t kMsPerDay = 86400000;

constexpr const char* kSchema = "CREATE TABLE IF NOT EXISTS runs ("
                                " id INTEGER PRIMARY KEY,"
                                " job TEXT NOT NULL,"
                                " file TEXT NOT NULL,"
                                " start_ms INTEGER NOT NULL,"
                                " end_ms INTEGER NOT NULL,"
                                " result INTEGER NOT NULL,"
                                " control TEXT NOT NULL,"
                                " failure INTEGER NOT NULL,"
                                " failed_job TEXT NOT NULL,"
                                " failed_line INTEGER NOT NULL,"
                                " failed_statement TEXT NOT NULL,"
                                " message TEXT NOT NULL,"
                                " output_lines INTEGER NOT NULL);"
                                "CREATE INDEX IF NOT EXISTS runs_by_start ON runs (start_ms);";

constexpr const char* kInsert =
    "INSERT INTO runs (job, file, start_ms, end_ms, result, control, failure, failed_job,"
    " failed_line, failed_statement, message, output_lines)"
    " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)";

constexpr const char* kSelect =
    "SELECT id, job, file, start_ms, end_ms, result, control, failure, failed_job, failed_line,"
    " failed_statement, message, output_lines FROM runs"
    " WHERE start_ms >= ?1 AND (?2 = 0 OR failure <> 0 OR result = 3)"
    " ORDER BY start_ms DESC, id DESC LIMIT ?3";

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

// The local time of now as "YYYYMMDD-HHMMSS", for the name of a file moved aside.
std::string Stamp() {
    datetime::DateParts parts;
    const auto now =
        datetime::OleDate::FromTimeT(std::chrono::system_clock::to_time_t(clock::Now()));
    if (!now.GetParts(parts)) {
        return "unknown";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", parts.year, parts.month,
                  parts.day, parts.hour, parts.minute, parts.second);
    return text;
}

bool Exists(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

RunRecord RowOf(const sqlite::Statement& row) {
    RunRecord run;
    run.id = row.Int(0);
    run.job = row.Text(1);
    run.file = row.Text(2);
    run.startMs = row.Int(3);
    run.endMs = row.Int(4);
    run.result = static_cast<std::uint32_t>(row.Int(5));
    run.control = row.Text(6);
    const std::int64_t failure = row.Int(7);
    run.failure = failure == 1 ? Failure::Soft : failure == 2 ? Failure::Fatal : Failure::None;
    run.failedJob = row.Text(8);
    run.failedLine = static_cast<std::uint32_t>(row.Int(9));
    run.failedStatement = row.Text(10);
    run.message = row.Text(11);
    run.outputLines = static_cast<std::uint32_t>(row.Int(12));
    return run;
}

// Opens an existing file for reading: for writing when allowed, so that the
// journal a killed writer left behind can be rolled back; else read-only.
int OpenExisting(sqlite::SqliteConnection& connection, const std::string& path,
                 std::string& error) {
    if (connection.Open(path, SQLITE_OPEN_READWRITE, error) == SQLITE_OK) {
        return SQLITE_OK;
    }
    return connection.Open(path, SQLITE_OPEN_READONLY, error);
}

} // namespace

std::string ControlWordOf(std::uint32_t result) {
    switch (result) {
    case kResultContinue:
        return "continue";
    case kResultBreak:
        return "break";
    case kResultStop:
        return "stop";
    case kResultAbort:
        return "abort";
    case kResultDeleted:
        return "deleted";
    default:
        return "unknown";
    }
}

std::string HistoryDatabase::DefaultPath() {
    const std::filesystem::path settings = registry::DatabasePath(registry::Root::LocalMachine);
    return (settings.parent_path() / "history.db").string();
}

bool HistoryDatabase::Open(const std::string& path, std::string& note) {
    Close();
    path_ = path;
    return OpenFile(note);
}

void HistoryDatabase::Close() {
    connection_.Close();
}

void HistoryDatabase::Prepare() {
    connection_.SetBusyTimeout(kBusyTimeoutMs);
    connection_.Exec("PRAGMA journal_mode = DELETE");
    connection_.Exec("PRAGMA synchronous = FULL");
    sqlite::Statement check = connection_.Prepare("PRAGMA quick_check");
    const std::string verdict = check.Step() ? check.Text(0) : std::string("no answer");
    if (verdict != "ok") {
        throw SqliteError{SQLITE_CORRUPT, verdict};
    }
    connection_.Exec(kSchema);
}

bool HistoryDatabase::OpenFile(std::string& note) {
    std::error_code failed;
    const std::filesystem::path folder = std::filesystem::path(path_).parent_path();
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, failed);
    }
    if (failed) {
        note = "the run history " + Quoted(path_) + " cannot be created: " + failed.message();
        return false;
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::string error;
        if (connection_.Open(path_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error) !=
            SQLITE_OK) {
            note = "the run history " + Quoted(path_) + " cannot be opened (" + error + ")";
            return false;
        }
        try {
            Prepare();
            return true;
        } catch (const SqliteError& problem) {
            if (!problem.Corrupt() || attempt > 0) {
                Close();
                note = "the run history " + Quoted(path_) + " cannot be opened (" +
                       problem.message + ")";
                return false;
            }
            note = MoveAside(problem.message);
            if (!note.empty() && Exists(path_)) {
                return false; // could not be moved: the note says why
            }
        }
    }
    return false;
}

std::string HistoryDatabase::MoveAside(const std::string& reason) {
    Close();
    const std::string base = path_ + ".damaged-" + Stamp();
    std::string target = base;
    for (int n = 2; Exists(target); ++n) {
        target = base + "-" + std::to_string(n);
    }
    const std::string damaged = "the run history " + Quoted(path_) + " is damaged (" + reason + ")";
    if (std::rename(path_.c_str(), target.c_str()) != 0) {
        return damaged + " and cannot be moved aside: " + std::strerror(errno);
    }
    // The journal belongs to the damaged file; a new file must not replay it.
    const std::string journal = path_ + "-journal";
    if (Exists(journal)) {
        std::rename(journal.c_str(), (target + "-journal").c_str());
    }
    return damaged + "; it was moved to " + Quoted(target) + " and a new one was started";
}

void HistoryDatabase::WriteRuns(std::vector<RunRecord>& runs) {
    connection_.Exec("BEGIN IMMEDIATE");
    for (RunRecord& run : runs) {
        sqlite::Statement insert = connection_.Prepare(kInsert);
        insert.Bind(1, run.job)
            .Bind(2, run.file)
            .Bind(3, run.startMs)
            .Bind(4, run.endMs)
            .Bind(5, static_cast<std::int64_t>(run.result))
            .Bind(6, run.control)
            .Bind(7, static_cast<std::int64_t>(run.failure))
            .Bind(8, run.failedJob)
            .Bind(9, static_cast<std::int64_t>(run.failedLine))
            .Bind(10, run.failedStatement)
            .Bind(11, run.message)
            .Bind(12, static_cast<std::int64_t>(run.outputLines));
        insert.Step();
        run.id = connection_.LastInsertId();
    }
    connection_.Exec("COMMIT");
}

bool HistoryDatabase::Append(std::vector<RunRecord>& runs, std::string& note) {
    if (!IsOpen() && !OpenFile(note)) {
        return false;
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            WriteRuns(runs);
            return true;
        } catch (const SqliteError& problem) {
            connection_.RollbackQuietly();
            if (!problem.Corrupt() || attempt > 0) {
                note = "the run history " + Quoted(path_) + " cannot be written (" +
                       problem.message + ")";
                Close();
                return false;
            }
            note = MoveAside(problem.message);
            std::string reopened;
            if (!OpenFile(reopened)) {
                note += "; " + reopened;
                return false;
            }
        }
    }
    return false;
}

bool HistoryDatabase::Prune(const Retention& retention, std::int64_t nowMs, std::string& note) {
    if (!IsOpen()) {
        return true;
    }
    try {
        connection_.Exec("BEGIN IMMEDIATE");
        if (retention.days != 0) {
            connection_.Prepare("DELETE FROM runs WHERE start_ms < ?1")
                .Bind(1, nowMs - static_cast<std::int64_t>(retention.days) * kMsPerDay)
                .Step();
        }
        if (retention.runs != 0) {
            connection_
                .Prepare("DELETE FROM runs WHERE id <= "
                         "(SELECT id FROM runs ORDER BY id DESC LIMIT 1 OFFSET ?1)")
                .Bind(1, static_cast<std::int64_t>(retention.runs))
                .Step();
        }
        connection_.Exec("COMMIT");
        return true;
    } catch (const SqliteError& problem) {
        connection_.RollbackQuietly();
        note =
            "the run history " + Quoted(path_) + " cannot drop old runs (" + problem.message + ")";
        return false;
    }
}

bool HistoryDatabase::Read(const std::string& path, const HistoryFilter& filter,
                           std::vector<RunRecord>& runs, std::string& problem) {
    runs.clear();
    if (!Exists(path)) {
        return true;
    }
    sqlite::SqliteConnection connection;
    std::string error;
    if (OpenExisting(connection, path, error) != SQLITE_OK) {
        problem = "the run history " + Quoted(path) + " cannot be opened (" + error + ")";
        return false;
    }
    try {
        connection.SetBusyTimeout(kBusyTimeoutMs);
        sqlite::Statement table = connection.Prepare(
            "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'runs'");
        if (!table.Step() || table.Int(0) == 0) {
            return true; // a new file the writer has not filled yet
        }
        auto program =
            filter.jobPattern.empty() ? nullptr : common::CompileRegex(filter.jobPattern);
        const std::int64_t sqlLimit =
            filter.limit == 0 || program ? -1 : static_cast<std::int64_t>(filter.limit);
        sqlite::Statement select = connection.Prepare(kSelect);
        select.Bind(1, filter.sinceMs)
            .Bind(2, std::int64_t{filter.failedOnly ? 1 : 0})
            .Bind(3, sqlLimit);
        while (select.Step()) {
            RunRecord run = RowOf(select);
            if (program && common::MatchRegex(program.get(), run.job) != 1) {
                continue;
            }
            runs.push_back(std::move(run));
            if (filter.limit != 0 && runs.size() >= filter.limit) {
                break;
            }
        }
    } catch (const SqliteError& failure) {
        runs.clear();
        problem = "the run history " + Quoted(path) +
                  (failure.Corrupt() ? " is damaged (" : " cannot be read (") + failure.message +
                  ")";
        return false;
    }
    std::reverse(runs.begin(), runs.end());
    return true;
}

} // namespace ob::history
