// LaunchProgram with real programs: exit codes, the argument vector, what the
// child inherits (environment table, directory, /dev/null handles, no other
// descriptors, a clean signal mask), detaching, the failure codes, and reaping of
// asynchronous children.
#include "platform/process/launch_program.h"

#include "platform/env/environment.h"
#include "platform/process/child_reaper.h"
#include "platform/process/descriptor_limit.h"
#include "probe_report.h"
#include "support/scratch.h"
#include "support/soft_descriptor_limit.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace ob::process {
namespace {

using test::ProbePath;
using test::ReadProbeReport;

class LaunchProgramTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(dir_.Path().empty()); }
    std::string Path(const std::string& name) const { return dir_ / name; }
    LaunchOutcome Launch(std::uint32_t flags, const std::string& line) {
        LaunchOutcome outcome;
        LaunchProgram(flags, line, outcome);
        return outcome;
    }
    test::ScratchDir dir_;
};

TEST_F(LaunchProgramTest, WaitedLaunchReportsTheExitCode) {
    const LaunchOutcome three = Launch(0, "sh -c \"exit 3\"");
    EXPECT_TRUE(three.success);
    EXPECT_EQ(three.error, 0u);
    EXPECT_EQ(three.exitCode, 3);
    EXPECT_EQ(Launch(0, "/bin/true").exitCode, 0);
    // A program ended by a signal reports 128 + the signal, as shells do.
    EXPECT_EQ(Launch(0, "sh -c \"kill -TERM $$\"").exitCode, 128 + SIGTERM);
}

TEST_F(LaunchProgramTest, ChildGetsTheCommandLineSplitByTheRuntimeRules) {
    const std::string report = Path("args");
    const LaunchOutcome outcome =
        Launch(0, ProbePath() + " " + report + " 7 \"two words\" a,b \\\"q\\\" x\\\\\"y z\"");
    ASSERT_TRUE(outcome.success) << outcome.error;
    EXPECT_EQ(outcome.exitCode, 7);
    const auto probe = ReadProbeReport(report);
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->All("arg"), (std::vector<std::string>{ProbePath(), report, "7", "two words",
                                                           "a,b", "\"q\"", "x\\y z"}));
}

TEST_F(LaunchProgramTest, ChildInheritsTheTableEnvironmentDirectoryAndNothingElse) {
    env::Set("OB_LAUNCH_MARK", "from the table");
    // An inherited descriptor without close-on-exec must not reach the child.
    const int leaky = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(leaky, 3);
    const std::string report = Path("inherit");
    const LaunchOutcome outcome = Launch(0, ProbePath() + " " + report);
    ::close(leaky);
    ASSERT_TRUE(outcome.success);
    const auto probe = ReadProbeReport(report);
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->Env("OB_LAUNCH_MARK"), "from the table");
    EXPECT_EQ(probe->All("fd"), (std::vector<std::string>{"0", "1", "2"}));
    EXPECT_EQ(probe->One("stdin"), "/dev/null");
    EXPECT_EQ(probe->One("stdout"), "/dev/null");
    EXPECT_EQ(probe->One("stderr"), "/dev/null");
    EXPECT_EQ(probe->One("cwd"), std::filesystem::current_path().string());
    EXPECT_EQ(probe->One("sigblk"), "0000000000000000");
}

TEST_F(LaunchProgramTest, SignalMaskAndIgnoredSignalsAreNotPassedOn) {
    sigset_t block;
    sigset_t previous;
    ::sigemptyset(&block);
    ::sigaddset(&block, SIGUSR1);
    ::pthread_sigmask(SIG_BLOCK, &block, &previous);
    struct sigaction ignore {};
    struct sigaction old {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGUSR2, &ignore, &old);
    const std::string report = Path("mask");
    const LaunchOutcome outcome = Launch(0, ProbePath() + " " + report);
    ::sigaction(SIGUSR2, &old, nullptr);
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ASSERT_TRUE(outcome.success);
    const auto probe = ReadProbeReport(report);
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->One("sigblk"), "0000000000000000");
    // Signal N is bit N-1 of the mask.
    const unsigned long long ignored = std::stoull(probe->One("sigign"), nullptr, 16);
    EXPECT_EQ(ignored & (1ULL << (SIGUSR2 - 1)), 0u);
}

TEST_F(LaunchProgramTest, DetachStartsANewSession) {
    const std::string plain = Path("plain");
    const std::string detached = Path("detached");
    ASSERT_TRUE(Launch(0, ProbePath() + " " + plain).success);
    ASSERT_TRUE(Launch(CP_DETACH, ProbePath() + " " + detached).success);
    const auto a = ReadProbeReport(plain);
    const auto b = ReadProbeReport(detached);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->One("session"), std::to_string(::getsid(0)));
    EXPECT_EQ(b->One("session"), b->One("pid"));
}

TEST_F(LaunchProgramTest, FailuresGiveWindowsCodes) {
    const std::string directory = Path("folder.d");
    std::filesystem::create_directory(directory);
    const std::string plainFile = Path("notes.txt");
    std::ofstream(plainFile) << "text\n";
    const std::string garbage = Path("garbage.bin");
    std::ofstream(garbage) << "\x01\x02not a program";
    std::filesystem::permissions(garbage, std::filesystem::perms::owner_all);
    struct Case {
        std::string line;
        std::uint32_t error;
    };
    const Case cases[] = {
        {"ob-no-such-program-here", 2},
        {Path("missing/prog"), 2},
        {directory, 5},
        {plainFile + " arg", 5},
        {garbage, 193},
        {std::string(300, 'p'), 206},
    };
    for (const Case& c : cases) {
        for (const std::uint32_t flags : {0u, CP_ASYNC}) {
            const LaunchOutcome outcome = Launch(flags, c.line);
            EXPECT_FALSE(outcome.success) << c.line.substr(0, 60);
            EXPECT_EQ(outcome.error, c.error) << c.line.substr(0, 60);
            EXPECT_EQ(outcome.exitCode, 0);
        }
    }
    // An empty command line fails without a code.
    const LaunchOutcome empty = Launch(0, "  ");
    EXPECT_FALSE(empty.success);
    EXPECT_EQ(empty.error, 0u);
}

TEST_F(LaunchProgramTest, OnlyTheFirstErrorOfASequenceIsKept) {
    LaunchOutcome outcome;
    LaunchProgram(0, "ob-no-such-program-here", outcome);
    LaunchProgram(0, dir_.Path().string(), outcome);
    EXPECT_EQ(outcome.error, 2u);
}

TEST_F(LaunchProgramTest, ThousandAsynchronousChildrenLeaveNoZombiesOrDescriptors) {
    const std::size_t before = test::OpenDescriptors();
    for (int i = 0; i < 1000; ++i) {
        const LaunchOutcome outcome = Launch(CP_ASYNC, "/bin/true");
        ASSERT_TRUE(outcome.success) << i << " " << outcome.error;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while ((PendingChildren() != 0 || test::ZombieChildren() != 0) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(PendingChildren(), 0u);
    EXPECT_EQ(test::ZombieChildren(), 0u);
    EXPECT_LE(test::OpenDescriptors(), before);
}

// A thousand children still running hold no descriptor here: under a soft limit of
// 64 every launch succeeds and the process keeps its descriptors for other work.
TEST_F(LaunchProgramTest, RunningChildrenHoldNoDescriptors) {
    const test::SoftDescriptorLimit limit(64);
    ASSERT_TRUE(limit.Ok());
    const std::size_t before = test::OpenDescriptors();
    for (int i = 0; i < 1000; ++i) {
        const LaunchOutcome outcome = Launch(CP_ASYNC, "sleep 4");
        ASSERT_TRUE(outcome.success) << i << " " << outcome.error;
    }
    EXPECT_GT(PendingChildren(), 0u) << "the children should still be running";
    EXPECT_LE(test::OpenDescriptors(), before);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while ((PendingChildren() != 0 || test::ZombieChildren() != 0) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(PendingChildren(), 0u);
    EXPECT_EQ(test::ZombieChildren(), 0u);
}

// Children the reaper was not given stay for their owner to collect, also when
// they end first and stand before the reaper's own in the list of ended children.
TEST_F(LaunchProgramTest, ReaperLeavesOtherChildrenToTheirOwner) {
    const pid_t foreign = ::fork();
    if (foreign == 0) {
        ::_exit(9);
    }
    ASSERT_GT(foreign, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // ended, not collected
    ASSERT_TRUE(Launch(CP_ASYNC, "/bin/true").success);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (PendingChildren() != 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(PendingChildren(), 0u) << "a foreign zombie must not hide the reaper's child";
    int status = 0;
    ASSERT_EQ(::waitpid(foreign, &status, WNOHANG), foreign);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 9);
}

// After the limit is raised, a launched program gets the soft limit back that the
// process started with; the hard limit stays.
TEST_F(LaunchProgramTest, LaunchedProgramGetsTheSoftDescriptorLimitBack) {
    const test::SoftDescriptorLimit limit(256);
    ASSERT_TRUE(limit.Ok());
    rlimit hard{};
    ::getrlimit(RLIMIT_NOFILE, &hard);
    if (hard.rlim_max <= 256) {
        GTEST_SKIP() << "the hard descriptor limit is " << hard.rlim_max << "; nothing to raise";
    }
    const DescriptorLimits raised = RaiseDescriptorLimit();
    EXPECT_EQ(raised.after, hard.rlim_max);
    const rlim_t expected = ChildDescriptorLimit(); // 256 unless an earlier test raised it
    ASSERT_NE(expected, 0u);
    const std::string report = Path("limits");
    for (const std::uint32_t flags : {0u, CP_ASYNC}) {
        std::filesystem::remove(report);
        ASSERT_TRUE(Launch(flags, ProbePath() + " " + report).success);
        const auto probe = ReadProbeReport(report);
        ASSERT_TRUE(probe);
        EXPECT_EQ(probe->One("nofile"),
                  std::to_string(expected) + " " + std::to_string(hard.rlim_max));
    }
}

TEST_F(LaunchProgramTest, AsynchronousLaunchDoesNotWait) {
    const auto start = std::chrono::steady_clock::now();
    const LaunchOutcome outcome = Launch(CP_ASYNC | CP_WAIT_IDLE, "sleep 2");
    EXPECT_TRUE(outcome.success);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
}

} // namespace
} // namespace ob::process
