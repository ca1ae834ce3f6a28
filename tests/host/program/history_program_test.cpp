// `obrenta check --next` and `obrenta history` run as child processes: the preview
// as printed, bad input, the history of a run, a damaged history file, and the
// engine killed while it writes its history.

#include "obrenta_program.h"

#include <sqlite3.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>

namespace ob::test {
namespace {

const char* kBerlin = "TZ=Europe/Berlin";

class HistoryProgram : public ::testing::Test {
protected:
    void SetUp() override { obrenta_.Run({"reg", "add", kPortKey, "cs_port", "0"}); }

    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = dir_ / name;
        std::ofstream(path) << text;
        return path;
    }

    std::string HistoryFile() const { return dir_ / "machine/history.db"; }

    ScratchDir dir_;
    Program obrenta_{dir_};
};

TEST_F(HistoryProgram, CheckNextPrintsEachJobsNextTimes) {
    if (!std::filesystem::exists("/usr/share/zoneinfo/Europe/Berlin")) {
        GTEST_SKIP() << "no time zone data for Europe/Berlin (Debian package tzdata)";
    }
    const std::string jobs = Write("jobs.jr", "{\n-name nightly\n-start -cron 30 2 * * *\n}\n"
                                              "{\n-name helper\n-action -print helped\n}\n"
                                              "{\n-name never\n-start -cron 0 0 31 2 *\n}\n");
    const Outcome check = obrenta_.Run(
        {"check", "--next", "3", "--from", "2024-03-30 00:00:00", jobs}, nullptr, {kBerlin});
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_EQ(check.out,
              "Loading " + jobs + ".\n3 jobs loaded.\n" + "nightly (" + jobs + ")\n" +
                  "  Sat 2024-03-30 02:30:00 CET\n"
                  "  Sun 2024-03-31 03:00:00 CEST\n"
                  "  Mon 2024-04-01 02:30:00 CEST\n"
                  "helper (" +
                  jobs + ")\n" +
                  "  never fires on its own: it has no start statement (other jobs may call it)\n"
                  "never (" +
                  jobs + ")\n" + "  never fires: none of its start times can come due again\n");
}

TEST_F(HistoryProgram, BadWordsAreRefusedWithUsage) {
    const std::string jobs = Write("jobs.jr", "{\n-start -inc 1 0 0 0\n}\n");
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const std::vector<Case> cases = {
        {{"check", "--next", "0", jobs}, "--next takes a whole number from 1 to 10000, not '0'"},
        {{"check", "--next", "10001", jobs}, "--next takes a whole number from 1 to 10000"},
        {{"check", "--next", "ten", jobs}, "--next takes a whole number"},
        {{"check", "--next", "3", "--from", "2024-02-30 10:00:00", jobs},
         "--from takes a local time written \"YYYY-MM-DD HH:MM:SS\", not '2024-02-30 10:00:00'"},
        {{"check", "--next", "3", "--from", "tomorrow", jobs}, "--from takes a local time"},
        {{"check", "--next", "3", "--from", "2024-03-01 24:00:00", jobs},
         "--from takes a local time"},
        {{"check", "--from", "2024-03-01 10:00:00", jobs}, "--from goes with --next"},
        {{"check", "--next"}, "--next needs a value"},
        {{"history", "--limit", "-1"}, "--limit takes a whole number"},
        {{"history", "--since", "last tuesday"}, "--since takes a local time"},
        {{"history", "--job", "(("}, "--job takes a regular expression"},
        {{"history", "extra"}, "unknown option extra"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = obrenta_.Run(c.args);
        EXPECT_EQ(outcome.status, 2) << c.message;
        EXPECT_NE(outcome.err.find(std::string("obrenta: ") + c.message), std::string::npos)
            << outcome.err;
        EXPECT_NE(outcome.err.find("usage: obrenta "), std::string::npos) << outcome.err;
    }
}

TEST_F(HistoryProgram, RunRecordsItsRunsAndHistoryListsThem) {
    const std::string jobs = Write("jobs.jr", "{\n-name tick\n-start -inc 0 0 0 1\n"
                                              "-action -print tock\n}\n"
                                              "{\n-name broken\n-start\n-action -nosuch\n}\n");
    EXPECT_EQ(obrenta_.Run({"history"}).out, "(no runs)\n") << "no file yet: no runs";
    const Outcome run = obrenta_.Run({"run", "--seconds", "2", jobs});
    ASSERT_EQ(run.status, 0) << run.err;

    const Outcome all = obrenta_.Run({"history", "--limit", "0"});
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out.rfind("STARTED                    TOOK  OUTCOME   LINES  JOB\n", 0), 0u)
        << all.out;
    EXPECT_NE(all.out.find("  continue      1  tick\n"), std::string::npos) << all.out;
    EXPECT_NE(all.out.find("  abort         2  broken\n    fatal failure at line 4 \"-nosuch\": "
                           "Unknown -action directive \"-nosuch\"\n"),
              std::string::npos)
        << all.out;

    const Outcome failed = obrenta_.Run({"history", "--failed", "--json"});
    EXPECT_EQ(failed.status, 0) << failed.err;
    EXPECT_EQ(failed.out.rfind("[\n{\"id\":", 0), 0u) << failed.out;
    EXPECT_NE(failed.out.find("\"job\":\"broken\""), std::string::npos);
    EXPECT_EQ(failed.out.find("\"job\":\"tick\""), std::string::npos) << "only the failed run";

    const Outcome one = obrenta_.Run({"history", "--job", "^ti", "--limit", "1", "--since", "1h"});
    EXPECT_EQ(std::count(one.out.begin(), one.out.end(), '\n'), 2) << one.out;
}

TEST_F(HistoryProgram, ADamagedHistoryIsReportedMovedAsideAndReplaced) {
    std::ofstream(HistoryFile()) << std::string(3000, 'z');
    const Outcome read = obrenta_.Run({"history"});
    EXPECT_EQ(read.status, 1);
    EXPECT_NE(read.err.find("is damaged"), std::string::npos) << read.err;

    const std::string jobs =
        Write("jobs.jr", "{\n-name survivor\n-start -inc 0 0 0 1\n-action -print alive\n}\n");
    const Outcome run = obrenta_.Run({"run", "--seconds", "2", jobs});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("alive"), std::string::npos) << "the engine runs on";
    EXPECT_NE(run.out.find("The run history \"" + HistoryFile() +
                           "\" is damaged (file is not a database); it was moved to \"" +
                           HistoryFile() + ".damaged-"),
              std::string::npos)
        << run.out;
    const Outcome after = obrenta_.Run({"history"});
    EXPECT_EQ(after.status, 0) << after.err;
    EXPECT_NE(after.out.find("survivor"), std::string::npos) << after.out;
}

// Rows in the history file and the result of its integrity check, read as any
// SQLite client would.
std::pair<long, std::string> Inspect(const std::string& path) {
    sqlite3* db = nullptr;
    long rows = -1;
    std::string verdict = "cannot open";
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 5000);
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW) {
            verdict = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        }
        sqlite3_finalize(stmt);
        if (sqlite3_prepare_v2(db, "SELECT count(*) FROM runs", -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW) {
            rows = sqlite3_column_int64(stmt, 0);
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return {rows, verdict};
}

TEST_F(HistoryProgram, KilledWhileWritingTheHistoryOpensCleanlyAndKeepsEarlierRuns) {
    // Forty jobs every second: a write of the history every tick.
    std::string text;
    for (int i = 0; i < 40; ++i) {
        text +=
            "{\n-name busy" + std::to_string(i) + "\n-start -inc 0 0 0 1\n-action -print x\n}\n";
    }
    const std::string jobs = Write("busy.jr", text);
    std::mt19937 random(20240331);
    long kept = 0;
    for (int round = 0; round < 4; ++round) {
        long seenBeforeKill = 0;
        const Outcome run = obrenta_.Run({"run", jobs}, [&](pid_t pid) {
            // Wait until this round's runs reach the file, then kill at a random moment.
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            while (std::chrono::steady_clock::now() < deadline) {
                const long rows = Inspect(HistoryFile()).first;
                if (rows > kept + 40) {
                    seenBeforeKill = rows;
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 1000));
            ::kill(pid, SIGKILL);
        });
        ASSERT_EQ(run.status, -SIGKILL);
        ASSERT_GT(seenBeforeKill, kept) << "round " << round << ": no runs were recorded";
        const auto [rows, verdict] = Inspect(HistoryFile());
        EXPECT_EQ(verdict, "ok") << "round " << round;
        EXPECT_GE(rows, seenBeforeKill) << "round " << round << ": committed runs were lost";
        const Outcome read = obrenta_.Run({"history", "--limit", "0", "--json"});
        EXPECT_EQ(read.status, 0) << read.err;
        EXPECT_EQ(std::count(read.out.begin(), read.out.end(), '\n'), rows + 2);
        kept = rows;
    }
}

} // namespace
} // namespace ob::test
