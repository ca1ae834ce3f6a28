// The AT operations on a one-node Slurm cluster started by the test (root only).
#include "OBCoreLib/at/at_service.h"
#include "OBCoreLib/at/job_time_text.h"
#include "OBCoreLib/at/queue_tool.h"
#include "nasty_command.h"
#include "queue_daemons.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ob::at {
namespace {

using datetime::OleDate;

constexpr const char* kMachine = test::SlurmCluster::kMachine;

class SlurmQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::UseScratchStores(stores_);
        std::string reason;
        if (!cluster_.Start(reason)) {
            GTEST_SKIP() << reason;
        }
    }

    std::vector<AtJobRecord> Jobs() {
        std::vector<AtJobRecord> jobs;
        const AtStatus status = ScheduleJobEnum(kMachine, jobs);
        EXPECT_TRUE(status.Ok()) << FailureText(status);
        return jobs;
    }

    test::ScratchDir stores_;
    test::SlurmCluster cluster_;
};

TEST_F(SlurmQueueTest, NetCreateProcessRunsTheProgramWithEveryWordIntact) {
    const std::string report = stores_ / "report";
    std::uint32_t id = 0;
    const AtStatus status =
        NetCreateProcess(0, kMachine, NastyCommandLine(test::ProbePath(), report), id);
    ASSERT_TRUE(status.Ok()) << FailureText(status);
    EXPECT_GT(id, 0u);
    ASSERT_TRUE(test::WaitForFile(report, 30)) << "the job did not run within 30 seconds\n"
                                               << cluster_.LogTail();
    const std::string written = ReadFile(report);
    EXPECT_EQ(written.substr(0, ExpectedProbeArgs(report).size()), ExpectedProbeArgs(report));
}

TEST_F(SlurmQueueTest, EachRunIsAQueuedJobThatDeleteCancels) {
    std::uint32_t first = 0;
    const std::string command = "/bin/echo \"a b\" 'c' $HOME";
    const AtStatus added = ScheduleJobAdd(0, kMachine, "0 3 _ _ 2-6", command, first);
    ASSERT_TRUE(added.Ok()) << FailureText(added);

    const std::vector<AtJobRecord> jobs = Jobs();
    ASSERT_EQ(jobs.size(), 5u);
    EXPECT_EQ(jobs[0].jobId, first);
    for (const AtJobRecord& job : jobs) {
        EXPECT_EQ(job.command, command);
        EXPECT_EQ(job.daysOfWeek, 0x1F);
        EXPECT_EQ(job.jobTime, 10800000u);
        ASSERT_TRUE(job.nextRun);
        EXPECT_GT(*job.nextRun, OleDate::Now());
    }
    AtJobRecord info;
    ASSERT_TRUE(ScheduleJobGetInfo(kMachine, static_cast<std::int32_t>(jobs[2].jobId), info).Ok());
    EXPECT_EQ(JobTimeText(info, OleDate::Now()),
              OleDate(std::floor(jobs[2].nextRun->Value())).Format() + " 03:00:00");

    ASSERT_TRUE(ScheduleJobDel(kMachine, static_cast<std::int32_t>(first),
                               static_cast<std::int32_t>(jobs.back().jobId))
                    .Ok());
    EXPECT_TRUE(Jobs().empty());
    const ToolRun pending = RunQueueTool("squeue", {"--noheader", "--states=PENDING", "-o", "%i"},
                                         {}, {cluster_.ConfAssignment()});
    ASSERT_TRUE(pending.exitedZero) << pending.failure;
    EXPECT_EQ(pending.output, "");
}

TEST_F(SlurmQueueTest, UnknownJobIdsAreFailures) {
    AtJobRecord job;
    EXPECT_EQ(ScheduleJobGetInfo(kMachine, 4242, job).failure, AtFailure::NoSuchJob);
    EXPECT_EQ(ScheduleJobDel(kMachine, 4242, 4300).failure, AtFailure::NoSuchJob);
}

} // namespace
} // namespace ob::at
