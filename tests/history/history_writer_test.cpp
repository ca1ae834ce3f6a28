// The history writer: runs posted from one thread are written on another, a full
// queue drops and reports runs instead of waiting, and what was accepted is
// written once the file is free again.

#include "history/history_database.h"
#include "history/history_writer.h"
#include "support/scratch.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <thread>

namespace ob::history {
namespace {

RunRecord MakeRun(int n) {
    RunRecord run;
    run.job = "job" + std::to_string(n);
    run.startMs = 1709546400000 + n;
    run.endMs = run.startMs;
    run.control = "continue";
    return run;
}

std::size_t Count(const std::string& path) {
    std::vector<RunRecord> runs;
    std::string problem;
    EXPECT_TRUE(HistoryDatabase::Read(path, HistoryFilter{"", 0, false, 0}, runs, problem))
        << problem;
    return runs.size();
}

TEST(HistoryWriterTest, WritesWhatIsPostedAndAppliesTheRetentionWhenItOpens) {
    test::ScratchDir dir;
    const std::string path = dir / "deep/er/history.db";
    {
        HistoryWriter writer(path, Retention{0, 0});
        for (int i = 0; i < 100; ++i) {
            EXPECT_TRUE(writer.Post(MakeRun(i)));
        }
        writer.Flush();
        EXPECT_TRUE(writer.TakeProblems().empty());
    }
    EXPECT_EQ(Count(path), 100u);
    HistoryWriter writer(path, Retention{0, 25});
    writer.Post(MakeRun(100));
    writer.Flush();
    std::vector<RunRecord> runs;
    std::string problem;
    ASSERT_TRUE(HistoryDatabase::Read(path, HistoryFilter{"", 0, false, 0}, runs, problem));
    ASSERT_EQ(runs.size(), 26u) << "25 kept at the start, and the new one";
    EXPECT_EQ(runs.front().job, "job75");
    EXPECT_EQ(runs.back().job, "job100");
}

TEST(HistoryWriterTest, AFullQueueDropsRunsWithoutWaitingForTheDisk) {
    test::ScratchDir dir;
    const std::string path = dir / "history.db";
    {
        HistoryWriter writer(path, Retention{0, 0}, 4);
        writer.Post(MakeRun(0));
        writer.Flush(); // the file and its table exist
    }
    // Another connection holds the write lock, as a slow or busy disk would hold up
    // the writer.
    sqlite3* blocker = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &blocker), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(blocker, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

    HistoryWriter writer(path, Retention{0, 0}, 4);
    int accepted = 0;
    for (int i = 1; i <= 40; ++i) {
        accepted += writer.Post(MakeRun(i)) ? 1 : 0;
    }
    EXPECT_LT(accepted, 40);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    sqlite3_exec(blocker, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(blocker);
    writer.Flush();
    EXPECT_EQ(Count(path), 1u + static_cast<std::size_t>(accepted));
    const auto problems = writer.TakeProblems();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0], std::to_string(40 - accepted) +
                               " run(s) were not recorded: the history writer fell behind");
}

TEST(HistoryWriterTest, AFolderThatCannotBeMadeIsReported) {
    test::ScratchDir dir;
    const std::string blocker = dir / "file";
    std::ofstream(blocker) << "not a folder";
    HistoryWriter writer(blocker + "/history.db", Retention{});
    writer.Post(MakeRun(1));
    writer.Flush();
    const auto problems = writer.TakeProblems();
    ASSERT_FALSE(problems.empty());
    EXPECT_NE(problems[0].find("cannot be created"), std::string::npos) << problems[0];
}

} // namespace
} // namespace ob::history
