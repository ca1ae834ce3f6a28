// The run history's database: what goes in comes back, filters, retention, and a
// damaged file moved aside.

#include "history/history_database.h"
#include "platform/time/clock.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace ob::history {
namespace {

constexpr std::int64_t kDay = 86400000;
// 2024-03-04 10:00:00 UTC.
constexpr std::int64_t kMonday = 1709546400000;

RunRecord MakeRun(const std::string& job, std::int64_t startMs,
                  std::uint32_t result = kResultContinue, Failure failure = Failure::None) {
    RunRecord run;
    run.job = job;
    run.file = "/jobs/" + job + ".jr";
    run.startMs = startMs;
    run.endMs = startMs + 1500;
    run.result = result;
    run.control = ControlWordOf(result);
    run.failure = failure;
    if (failure != Failure::None) {
        run.failedJob = job;
        run.failedLine = 7;
        run.failedStatement = "-copy a b";
        run.message = "Copy file failed.";
    }
    run.outputLines = 3;
    return run;
}

class HistoryDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        path_ = dir_ / "history.db";
    }

    void Append(std::vector<RunRecord> runs) {
        std::string note;
        ASSERT_TRUE(database_.Open(path_, note)) << note;
        ASSERT_TRUE(database_.Append(runs, note)) << note;
        database_.Close();
    }

    std::vector<std::string> Jobs(const HistoryFilter& filter) {
        std::vector<RunRecord> runs;
        std::string problem;
        EXPECT_TRUE(HistoryDatabase::Read(path_, filter, runs, problem)) << problem;
        std::vector<std::string> jobs;
        for (const RunRecord& run : runs) {
            jobs.push_back(run.job);
        }
        return jobs;
    }

    test::ScratchDir dir_;
    std::string path_;
    HistoryDatabase database_;
};

TEST_F(HistoryDatabaseTest, ARunComesBackAsItWasWritten) {
    RunRecord run = MakeRun("backup", kMonday, kResultAbort, Failure::Fatal);
    run.message = "quote \" and \xc3\xa9";
    Append({run});
    std::vector<RunRecord> runs;
    std::string problem;
    ASSERT_TRUE(HistoryDatabase::Read(path_, HistoryFilter{}, runs, problem));
    ASSERT_EQ(runs.size(), 1u);
    const RunRecord& read = runs[0];
    EXPECT_GT(read.id, 0);
    EXPECT_EQ(read.job, "backup");
    EXPECT_EQ(read.file, "/jobs/backup.jr");
    EXPECT_EQ(read.startMs, kMonday);
    EXPECT_EQ(read.endMs, kMonday + 1500);
    EXPECT_EQ(read.result, kResultAbort);
    EXPECT_EQ(read.control, "abort");
    EXPECT_EQ(read.failure, Failure::Fatal);
    EXPECT_EQ(read.failedJob, "backup");
    EXPECT_EQ(read.failedLine, 7u);
    EXPECT_EQ(read.failedStatement, "-copy a b");
    EXPECT_EQ(read.message, run.message);
    EXPECT_EQ(read.outputLines, 3u);
}

TEST_F(HistoryDatabaseTest, FiltersPickRunsAndListThemOldestFirst) {
    Append({MakeRun("backup", kMonday), MakeRun("report", kMonday + 1000),
            MakeRun("backup", kMonday + 2000, kResultAbort),
            MakeRun("cleanup", kMonday + 3000, kResultContinue, Failure::Soft),
            MakeRun("backup", kMonday + 4000, kResultStop)});
    struct Case {
        const char* what;
        HistoryFilter filter;
        std::vector<std::string> jobs;
    };
    const std::vector<Case> cases = {
        {"all", {"", 0, false, 0}, {"backup", "report", "backup", "cleanup", "backup"}},
        {"newest two", {"", 0, false, 2}, {"cleanup", "backup"}},
        {"by name", {"^back", 0, false, 0}, {"backup", "backup", "backup"}},
        {"by name, newest", {"up$", 0, false, 2}, {"cleanup", "backup"}},
        {"since", {"", kMonday + 2000, false, 0}, {"backup", "cleanup", "backup"}},
        {"failed: aborted or a statement failed", {"", 0, true, 0}, {"backup", "cleanup"}},
        {"nothing matches", {"nosuch", 0, false, 0}, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Jobs(c.filter), c.jobs) << c.what;
    }
}

TEST_F(HistoryDatabaseTest, AMissingFileHoldsNoRuns) {
    EXPECT_TRUE(Jobs(HistoryFilter{}).empty());
    EXPECT_FALSE(std::filesystem::exists(path_)) << "reading never creates the file";
}

TEST_F(HistoryDatabaseTest, RetentionDropsOldRunsThenTheOldestBeyondTheCount) {
    std::vector<RunRecord> runs;
    for (int i = 0; i < 10; ++i) {
        runs.push_back(MakeRun("day" + std::to_string(i), kMonday - (9 - i) * kDay));
    }
    Append(runs);
    std::string note;
    ASSERT_TRUE(database_.Open(path_, note));
    // Seven days back from Monday: day2 (7 days old) stays, day0 and day1 go.
    ASSERT_TRUE(database_.Prune(Retention{7, 0}, kMonday, note)) << note;
    EXPECT_EQ(Jobs(HistoryFilter{"", 0, false, 0}).size(), 8u);
    ASSERT_TRUE(database_.Prune(Retention{0, 3}, kMonday, note)) << note;
    EXPECT_EQ(Jobs(HistoryFilter{"", 0, false, 0}),
              (std::vector<std::string>{"day7", "day8", "day9"}));
    ASSERT_TRUE(database_.Prune(Retention{0, 0}, kMonday, note));
    EXPECT_EQ(Jobs(HistoryFilter{"", 0, false, 0}).size(), 3u) << "0 keeps everything";
}

TEST_F(HistoryDatabaseTest, ADamagedFileIsMovedAsideAndANewOneStarted) {
    clock::SetTestClock(
        [] { return std::chrono::system_clock::time_point(std::chrono::milliseconds(kMonday)); });
    std::ofstream(path_) << std::string(4096, 'x');
    std::vector<RunRecord> runs;
    std::string problem;
    EXPECT_FALSE(HistoryDatabase::Read(path_, HistoryFilter{}, runs, problem));
    EXPECT_NE(problem.find("is damaged"), std::string::npos) << problem;

    std::string note;
    ASSERT_TRUE(database_.Open(path_, note));
    const std::string aside = path_ + ".damaged-20240304-100000";
    EXPECT_EQ(note, "the run history \"" + path_ +
                        "\" is damaged (file is not a database); it was moved to \"" + aside +
                        "\" and a new one was started");
    EXPECT_TRUE(std::filesystem::exists(aside));
    std::vector<RunRecord> batch = {MakeRun("after", kMonday)};
    ASSERT_TRUE(database_.Append(batch, note));
    EXPECT_EQ(Jobs(HistoryFilter{}), (std::vector<std::string>{"after"}));
    clock::SetTestClock(nullptr);
}

TEST_F(HistoryDatabaseTest, AFileDamagedWhileOpenIsReplacedAtTheNextWrite) {
    Append({MakeRun("before", kMonday)});
    std::string note;
    ASSERT_TRUE(database_.Open(path_, note));
    {
        // Overwrite the pages behind the open connection, header included.
        std::fstream file(path_, std::ios::in | std::ios::out | std::ios::binary);
        file << std::string(8192, '\x5a');
    }
    std::vector<RunRecord> batch = {MakeRun("after", kMonday + 1000)};
    EXPECT_TRUE(database_.Append(batch, note)) << note;
    EXPECT_NE(note.find("is damaged"), std::string::npos) << note;
    EXPECT_EQ(Jobs(HistoryFilter{}), (std::vector<std::string>{"after"}));
}

} // namespace
} // namespace ob::history
