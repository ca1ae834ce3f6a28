// Test support: the queues' daemons, started by the tests and stopped after them.
//
// PrivateAtd runs atd in a mount namespace of the test process's main thread, with
// its own spool (tmpfs on /var/spool/cron) and /run (its pid file, which at reads
// to wake it): the system's atd and its jobs are never touched, and tests running
// in parallel each have a queue of their own. The at tools the tests start from
// the main thread see the same namespace.
//
// SlurmCluster runs munged, slurmctld and slurmd (one node, two CPUs, partition
// "obpart") on loopback with a generated slurm.conf and munge key in a scratch
// folder, and names it in the settings store as the machine "testcluster".
//
// Both need root; Start gives the reason when they cannot run.
#pragma once

#include "support/scratch.h"

#include <gtest/gtest.h>

#include <memory>

#include <string>
#include <sys/types.h>
#include <vector>

namespace ob::test {

class PrivateAtd {
public:
    PrivateAtd() = default;
    ~PrivateAtd();
    PrivateAtd(const PrivateAtd&) = delete;
    PrivateAtd& operator=(const PrivateAtd&) = delete;

    /// False, with the reason, when atd cannot run here.
    bool Start(std::string& reason);

private:
    pid_t pid_ = 0;
};

class SlurmCluster {
public:
    static constexpr const char* kMachine = "testcluster";
    static constexpr const char* kPartition = "obpart";

    SlurmCluster() = default;
    ~SlurmCluster();
    SlurmCluster(const SlurmCluster&) = delete;
    SlurmCluster& operator=(const SlurmCluster&) = delete;

    /// Starts the daemons, waits until the node is idle and writes the machine's
    /// key into the settings stores in use. False, with the reason, when the
    /// cluster cannot run here.
    bool Start(std::string& reason);

    /// "SLURM_CONF=..." for tools the test runs itself.
    std::string ConfAssignment() const;
    /// The end of the daemons' logs, for failure messages.
    std::string LogTail() const;

private:
    pid_t Spawn(const std::vector<std::string>& arguments);

    ScratchDir dir_;
    std::vector<pid_t> daemons_; // in start order; stopped in reverse
};

/// Tests on a private atd: started once per test program, skipped with the reason
/// when it cannot run; each test has scratch settings stores and the real clock,
/// and leaves the queue empty.
class AtdTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    ScratchDir dir_;

private:
    static std::unique_ptr<PrivateAtd> atd_;
    static std::string reason_;
};

/// Waits up to `seconds` for `path` to exist.
bool WaitForFile(const std::string& path, int seconds);

} // namespace ob::test
