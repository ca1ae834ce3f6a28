// The run history of the scheduler's runs: one record per run whatever it ends
// with (continue, break, stop, abort, a fatal failure), the statement that failed,
// the output lines, a damaged history file replaced while the engine runs on, and
// the retention read from the settings.

#include "engine/history/run_history.h"
#include "history/history_database.h"
#include "queue_fixture.h"
#include "variables/variable_manager.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace ob::engine {
namespace {

using std::chrono::seconds;

class RunHistoryTest : public QueueTest {
protected:
    void SetUp() override {
        QueueTest::SetUp();
        path_ = dir_ / "machine/history.db";
    }

    void Enable() { ASSERT_TRUE(EnableHistory(session_, path_)); }

    std::vector<history::RunRecord> Recorded() {
        session_.history.load()->Writer().Flush();
        std::vector<history::RunRecord> runs;
        std::string problem;
        EXPECT_TRUE(history::HistoryDatabase::Read(path_, history::HistoryFilter{"", 0, false, 0},
                                                   runs, problem))
            << problem;
        return runs;
    }

    static const history::RunRecord* Find(const std::vector<history::RunRecord>& runs,
                                          const std::string& job) {
        const auto found =
            std::find_if(runs.begin(), runs.end(), [&](const auto& run) { return run.job == job; });
        return found == runs.end() ? nullptr : &*found;
    }

    std::string path_;
};

TEST_F(RunHistoryTest, EveryWayARunEndsIsRecorded) {
    Enable();
    const std::string copy = "-copy " + (dir_ / "missing") + " " + (dir_ / "copy");
    Load("{\n-name continues\n-start\n-action -print one\n-action -print two\n}\n"
         "{\n-name breaks\n-start\n-action -print one\n-action -return break\n"
         "-action -print never\n}\n"
         "{\n-name stops\n-start\n-action -return stop\n}\n"
         "{\n-name softly\n-start\n-action " +
         copy +
         "\n-action -print after\n}\n"
         "{\n-name caller\n-start\n-action -call helper\n}\n"
         "{\n-name helper\n-action -print helping\n-action " +
         copy + "\n}\n");
    TickAfter(seconds(1));
    Load("{\n-name aborts\n-start\n-action -return abort\n}\n");
    TickAfter(seconds(1));
    Load("{\n-name fatally\n-start\n-action -print before\n-action -nosuch\n}\n");
    TickAfter(seconds(1));

    const auto runs = Recorded();
    struct Expected {
        const char* job;
        std::uint32_t result;
        const char* control;
        history::Failure failure;
        const char* failedJob;
        std::uint32_t failedLine;
        const char* message;
        std::uint32_t lines;
    };
    const std::vector<Expected> expected = {
        {"continues", 0, "continue", history::Failure::None, "", 0, "", 2},
        {"breaks", 1, "break", history::Failure::None, "", 0, "", 1},
        {"stops", 2, "stop", history::Failure::None, "", 0, "", 0},
        {"softly", 0, "continue", history::Failure::Soft, "softly", 4, "Copy file failed.", 1},
        {"caller", 0, "continue", history::Failure::Soft, "helper", 4, "Copy file failed.", 1},
        {"aborts", 3, "abort", history::Failure::None, "", 0, "", 0},
        {"fatally", 3, "abort", history::Failure::Fatal, "fatally", 5,
         "Unknown -action directive \"-nosuch\"", 3},
    };
    ASSERT_EQ(runs.size(), expected.size()) << "the job run in place is part of its caller's run";
    for (const Expected& e : expected) {
        const history::RunRecord* run = Find(runs, e.job);
        ASSERT_NE(run, nullptr) << e.job;
        EXPECT_EQ(run->result, e.result) << e.job;
        EXPECT_EQ(run->control, e.control) << e.job;
        EXPECT_EQ(run->failure, e.failure) << e.job;
        EXPECT_EQ(run->failedJob, e.failedJob) << e.job;
        EXPECT_EQ(run->failedLine, e.failedLine) << e.job;
        EXPECT_EQ(run->message, e.message) << e.job;
        EXPECT_EQ(run->outputLines, e.lines) << e.job;
        EXPECT_EQ(run->file, dir_ / "jobs.jr") << e.job;
        EXPECT_EQ(
            run->startMs,
            std::chrono::duration_cast<std::chrono::milliseconds>(now_.time_since_epoch()).count() -
                (std::string(e.job) == "aborts"    ? 1000
                 : std::string(e.job) == "fatally" ? 0
                                                   : 2000))
            << e.job;
    }
    EXPECT_EQ(Find(runs, "softly")->failedStatement, copy);
    EXPECT_EQ(Find(runs, "fatally")->failedStatement, "-nosuch");
}

TEST_F(RunHistoryTest, ADamagedFileIsReportedMovedAsideAndReplaced) {
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path());
    std::ofstream(path_) << std::string(2048, '#');
    Enable();
    Load("{\n-name runs\n-start -inc 0 0 0 1\n-action -print working\n}\n");
    auto lines = TickAfter(seconds(1));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "working "), lines.end())
        << "the engine runs on";
    const auto runs = Recorded();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].job, "runs");
    lines = TickAfter(seconds(1));
    const auto report = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find("is damaged") != std::string::npos;
    });
    ASSERT_NE(report, lines.end());
    EXPECT_EQ(report->rfind("The run history \"" + path_ +
                                "\" is damaged (file is not a database); "
                                "it was moved to \"" +
                                path_ + ".damaged-",
                            0),
              0u)
        << *report;
    const std::size_t aside = std::count_if(
        std::filesystem::directory_iterator(std::filesystem::path(path_).parent_path()),
        std::filesystem::directory_iterator(), [](const auto& entry) {
            return entry.path().filename().string().rfind("history.db.damaged-", 0) == 0;
        });
    EXPECT_EQ(aside, 1u);
}

TEST_F(RunHistoryTest, RetentionComesFromTheHistorySettings) {
    struct Case {
        const char* days; // nullptr: left unset
        const char* runs;
        std::uint32_t wantDays;
        std::uint32_t wantRuns;
        const char* problem; // part of the report, or "" for none
    };
    const Case cases[] = {
        {nullptr, nullptr, 30, 100000, ""},
        {"7", "500", 7, 500, ""},
        {"0", "0", 0, 0, ""},
        {"ten", "500", 30, 500, "the setting history_days is \"ten\", not a whole number; 30"},
        {"7", "-1", 7, 100000, "history_runs is \"-1\""},
        {"7", "99999999999", 7, 100000, "history_runs"},
    };
    for (const Case& c : cases) {
        if (c.days != nullptr) {
            ASSERT_EQ(
                vars::MainStore().PutEnv("History", "history_days", c.days, vars::ENV_PERSISTENT),
                0);
            ASSERT_EQ(
                vars::MainStore().PutEnv("History", "history_runs", c.runs, vars::ENV_PERSISTENT),
                0);
        }
        const std::string shown = c.days == nullptr ? "unset" : c.days + std::string("/") + c.runs;
        std::string problem;
        const history::Retention retention = RunHistory::RetentionSetting(problem);
        EXPECT_EQ(retention.days, c.wantDays) << shown;
        EXPECT_EQ(retention.runs, c.wantRuns) << shown;
        if (*c.problem == '\0') {
            EXPECT_EQ(problem, "") << shown;
        } else {
            EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
        }
    }
}

TEST_F(RunHistoryTest, EnablingTwiceIsRefused) {
    Enable();
    EXPECT_FALSE(EnableHistory(session_, path_ + "2"));
    EXPECT_EQ(HistoryPathOf(session_), path_);
}

} // namespace
} // namespace ob::engine
