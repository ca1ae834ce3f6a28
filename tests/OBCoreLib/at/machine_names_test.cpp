// Which queue a machine name reaches, and the refusals that come before any queue.
#include "OBCoreLib/at/at_service.h"
#include "OBCoreLib/at/cluster_settings.h"
#include "OBCoreLib/at/slurm_queue.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

namespace ob::at {
namespace {

void WriteCluster(registry::Root root, const std::string& name, const std::string& partition,
                  const std::string& account = {}) {
    registry::Key key;
    ASSERT_EQ(registry::Key::Create(root, std::string(kClustersKey) + "\\" + name,
                                    registry::KEY_ALL_ACCESS, key),
              registry::ERROR_SUCCESS);
    ASSERT_EQ(key.SetValue("partition", partition), registry::ERROR_SUCCESS);
    if (!account.empty()) {
        ASSERT_EQ(key.SetValue("account", account), registry::ERROR_SUCCESS);
    }
}

TEST(MachineNames, LocalNamesOpenAtdClustersOpenSlurmOthersAreUnreachable) {
    test::ScratchDir dir;
    test::UseScratchStores(dir);
    WriteCluster(registry::Root::LocalMachine, "Hpc", "batch", "science");
    WriteCluster(registry::Root::LocalMachine, "nopartition", "");

    struct Case {
        const char* server;
        bool reachable;
        bool slurm;
    };
    const Case cases[] = {{"", true, false},      {".", true, false},
                          {"hpc", true, true},    {"\\\\HPC", true, true},
                          {"hpc2", false, false}, {"nopartition", false, false},
                          {"..", false, false},   {"localhost", false, false},
                          {"\\\\", false, false}, {"a\\hpc", false, false}};
    for (const Case& c : cases) {
        std::unique_ptr<JobQueue> queue;
        const AtStatus status = OpenJobQueue(c.server, queue);
        EXPECT_EQ(status.Ok(), c.reachable) << c.server;
        if (!c.reachable) {
            EXPECT_EQ(status.failure, AtFailure::Unreachable) << c.server;
            EXPECT_EQ(SystemCode(status.failure), 53u);
            EXPECT_EQ(FailureText(status).rfind("The network path was not found.", 0), 0u);
            continue;
        }
        EXPECT_EQ(dynamic_cast<SlurmQueue*>(queue.get()) != nullptr, c.slurm) << c.server;
    }
    const auto cluster = FindCluster("HPC");
    ASSERT_TRUE(cluster);
    EXPECT_EQ(cluster->partition, "batch");
    EXPECT_EQ(cluster->account, "science");
}

TEST(MachineNames, TheUsersStoreComesFirst) {
    test::ScratchDir dir;
    test::UseScratchStores(dir);
    WriteCluster(registry::Root::LocalMachine, "hpc", "machine");
    WriteCluster(registry::Root::CurrentUser, "hpc", "mine");
    const auto cluster = FindCluster("hpc");
    ASSERT_TRUE(cluster);
    EXPECT_EQ(cluster->partition, "mine");
}

TEST(MachineNames, BadArgumentsFailBeforeAnyQueueIsAsked) {
    test::ScratchDir dir;
    test::UseScratchStores(dir);
    std::uint32_t id = 99;
    EXPECT_EQ(ScheduleJobAdd(0, ".", "0 8 * 1 *", "true", id).failure, AtFailure::BadExpression);
    EXPECT_EQ(ScheduleJobAdd(0, "elsewhere", "0 8 * _ *", "true", id).failure,
              AtFailure::Unreachable);
    EXPECT_EQ(ScheduleJobAdd(0, ".", "0 8 * _ *", "  ", id).failure, AtFailure::BadCommand);
    EXPECT_EQ(NetCreateProcess(0, ".", "", id).failure, AtFailure::BadCommand);
    EXPECT_EQ(NetCreateProcess(0, "elsewhere", "true", id).failure, AtFailure::Unreachable);
    EXPECT_EQ(id, 99u);
    AtJobRecord job;
    EXPECT_EQ(ScheduleJobGetInfo("elsewhere", 1, job).failure, AtFailure::Unreachable);
    std::vector<AtJobRecord> jobs;
    EXPECT_EQ(ScheduleJobEnum("elsewhere", jobs).failure, AtFailure::Unreachable);
    EXPECT_EQ(ScheduleJobDel("elsewhere", 1, 2).failure, AtFailure::Unreachable);
}

} // namespace
} // namespace ob::at
