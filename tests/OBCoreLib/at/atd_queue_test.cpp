// The AT operations on a private atd started by the test (root only).
#include "OBCoreLib/at/at_service.h"
#include "OBCoreLib/at/job_time_text.h"
#include "OBCoreLib/at/queue_tool.h"
#include "nasty_command.h"
#include "platform/time/clock.h"
#include "queue_daemons.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <memory>

namespace ob::at {
namespace {

using datetime::OleDate;

class AtdQueueTest : public test::AtdTest {
protected:
    static std::vector<AtJobRecord> Jobs() {
        std::vector<AtJobRecord> jobs;
        const AtStatus status = ScheduleJobEnum("", jobs);
        EXPECT_TRUE(status.Ok()) << FailureText(status);
        return jobs;
    }
};

TEST_F(AtdQueueTest, WeekdaysGiveOneJobEachThatEnumerationAndDeleteSee) {
    std::uint32_t first = 0;
    const AtStatus added = ScheduleJobAdd(0, ".", "0 3 _ _ 2-6", "/bin/true x", first);
    ASSERT_TRUE(added.Ok()) << FailureText(added);

    const std::vector<AtJobRecord> jobs = Jobs();
    ASSERT_EQ(jobs.size(), 5u);
    const OleDate now = OleDate::Now();
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        EXPECT_EQ(jobs[i].jobId, first + i);
        EXPECT_EQ(jobs[i].jobTime, 10800000u);
        EXPECT_EQ(jobs[i].daysOfWeek, 0x1F);
        EXPECT_EQ(jobs[i].daysOfMonth, 0u);
        EXPECT_EQ(jobs[i].flags & ~JOB_RUNS_TODAY, JOB_NONINTERACTIVE);
        EXPECT_EQ(jobs[i].command, "/bin/true x");
        ASSERT_TRUE(jobs[i].nextRun);
        datetime::DateParts day;
        ASSERT_TRUE(jobs[i].nextRun->GetParts(day));
        EXPECT_TRUE(day.dayOfWeek >= 1 && day.dayOfWeek <= 5) << day.dayOfWeek;
        EXPECT_GT(*jobs[i].nextRun, now);
        EXPECT_LT(jobs[i].nextRun->Value() - now.Value(), 8.0);
    }

    ASSERT_TRUE(
        ScheduleJobDel(".", static_cast<std::int32_t>(first), static_cast<std::int32_t>(first + 4))
            .Ok());
    EXPECT_TRUE(Jobs().empty());
}

TEST_F(AtdQueueTest, GetInfoGivesTimeDaysAndTheCommandAsAdded) {
    const std::string command = NastyCommandLine("/nonexistent/probe", "/nonexistent/report");
    std::uint32_t daily = 0;
    std::uint32_t monthly = 0;
    ASSERT_TRUE(ScheduleJobAdd(NCP_INTERACTIVE, ".", "15 4 _ _ _", command, daily).Ok());
    ASSERT_TRUE(ScheduleJobAdd(0, ".", "0 5 1 _ _", command, monthly).Ok());

    AtJobRecord job;
    ASSERT_TRUE(ScheduleJobGetInfo(".", static_cast<std::int32_t>(daily), job).Ok());
    EXPECT_EQ(job.jobId, daily);
    EXPECT_EQ(job.command, command);
    EXPECT_EQ(job.flags & ~JOB_RUNS_TODAY, 0);
    EXPECT_EQ(JobTimeText(job, OleDate::Now()), "04:15:00");

    ASSERT_TRUE(ScheduleJobGetInfo(".", static_cast<std::int32_t>(monthly), job).Ok());
    EXPECT_EQ(job.daysOfMonth, 1u);
    ASSERT_TRUE(job.nextRun);
    datetime::DateParts day;
    ASSERT_TRUE(job.nextRun->GetParts(day));
    EXPECT_EQ(day.day, 1);
    EXPECT_EQ(JobTimeText(job, OleDate::Now()),
              OleDate::FromParts(day.year, day.month, 1).Format() + " 05:00:00");
}

TEST_F(AtdQueueTest, NetCreateProcessMovesTheJobOnUntilItRunsToday) {
    // "Today" is tomorrow at 12:41:59, and the clock reaches 12:42:00 before the job
    // is placed: 12:41 has passed, so the first try lands on the day after and is
    // taken back; 15 seconds later, 12:42:14, runs "today".
    std::time_t tomorrow = std::time(nullptr) + 86400;
    std::tm parts{};
    ::localtime_r(&tomorrow, &parts);
    parts.tm_hour = 12;
    parts.tm_min = 41;
    parts.tm_sec = 59;
    parts.tm_isdst = -1;
    const auto start = std::chrono::system_clock::from_time_t(std::mktime(&parts));
    int reads = 0;
    clock::SetTestClock([&] { return reads++ == 0 ? start : start + std::chrono::seconds(1); });

    std::uint32_t id = 0;
    const AtStatus status = NetCreateProcess(0, "", "/bin/true", id);
    ASSERT_TRUE(status.Ok()) << FailureText(status);
    const std::vector<AtJobRecord> jobs = Jobs();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].jobId, id);
    EXPECT_GT(id, 1u); // the first try's job is gone
    EXPECT_EQ(jobs[0].jobTime, (12 * 60 + 42) * 60000u);
    EXPECT_NE(jobs[0].flags & JOB_RUNS_TODAY, 0);
}

TEST_F(AtdQueueTest, UnknownJobIdsAreFailures) {
    std::uint32_t id = 0;
    ASSERT_TRUE(ScheduleJobAdd(0, ".", "0 3 _ _ _", "/bin/true", id).Ok());
    AtJobRecord job;
    EXPECT_EQ(ScheduleJobGetInfo(".", static_cast<std::int32_t>(id + 1), job).failure,
              AtFailure::NoSuchJob);
    EXPECT_EQ(ScheduleJobGetInfo(".", -1, job).failure, AtFailure::NoSuchJob);
    EXPECT_EQ(ScheduleJobDel(".", static_cast<std::int32_t>(id + 1), 100000).failure,
              AtFailure::NoSuchJob);
    EXPECT_EQ(ScheduleJobDel(".", 5, 1).failure, AtFailure::NoSuchJob);
    EXPECT_EQ(Jobs().size(), 1u);
}

TEST_F(AtdQueueTest, JobsOfOtherProgramsAreListedWithTheirCommands) {
    std::time_t later = std::time(nullptr) + 2 * 86400;
    char when[32];
    std::strftime(when, sizeof when, "%Y%m%d%H%M", std::localtime(&later));
    const ToolRun placed = RunQueueTool("at", {"-t", when}, "echo one\necho two\n", {});
    ASSERT_TRUE(placed.exitedZero) << placed.failure;
    const std::vector<AtJobRecord> jobs = Jobs();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].command, "echo one\necho two");
    EXPECT_EQ(jobs[0].flags, 0);
    EXPECT_EQ(jobs[0].daysOfWeek, 0);
}

} // namespace
} // namespace ob::at
