// Running short of descriptors: children launched without -wait hold none, and a
// statement that cannot open what it needs fails on its own instead of aborting
// the run (which would empty the whole queue).
#include "spawn_fixture.h"

#include "platform/process/child_reaper.h"
#include "support/../platform/process/probe_report.h"
#include "support/sanitizer_build.h"
#include "support/soft_descriptor_limit.h"
#include "variables/variable_manager.h"

#include <algorithm>
#include <fcntl.h>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace ob::test {
namespace {

void AwaitChildren() {
    for (int i = 0; i < 600 && process::PendingChildren() != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(process::PendingChildren(), 0u);
}

// The lowest descriptor number an open would get now.
rlim_t LowestFreeDescriptor() {
    const int fd = ::fcntl(0, F_DUPFD, 0);
    ::close(fd);
    return static_cast<rlim_t>(fd);
}

// Whether a printed line tells the user what failed.
bool SaysWhy(const std::vector<std::string>& lines, const std::string& start) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.rfind(start, 0) == 0; });
}

TEST_F(SpawnTest, ManyRunningChildrenLeaveDescriptorsForStatements) {
    const SoftDescriptorLimit limit(64);
    ASSERT_TRUE(limit.Ok());
    const std::size_t before = OpenDescriptors();
    for (int i = 0; i < 200; ++i) {
        const SpawnResult r = Dispatch("-spawn sleep 3");
        ASSERT_TRUE(r.lines.empty()) << i << ": " << r.lines.front();
    }
    EXPECT_LE(OpenDescriptors(), before);
    EXPECT_EQ(Execute("-set -persist OBT_KEPT=yes"), engine::RunResult::Continue);
    EXPECT_EQ(Take().scriptErrors, 0u);
    EXPECT_EQ(vars::MainStore().Get(nullptr, "OBT_KEPT", vars::ENV_PERSISTENT | vars::ENV_FORCE),
              "yes");
    AwaitChildren();
}

TEST_F(SpawnTest, StatementThatCannotOpenADescriptorFailsOnItsOwn) {
    if (OB_TEST_ASAN) {
        // The sanitizers' runtime opens a pipe to test whether memory is readable;
        // with no descriptor left it reports valid objects as corrupt.
        GTEST_SKIP() << "a full descriptor table cannot be tested under the sanitizers";
    }
    const std::string file = Path("short.txt");
    struct Case {
        std::string statement;
        std::string lastError;
    };
    const Case cases[] = {
        {"-set -persist OBT_SHORT=1", "Unable to set environment variable: \"OBT_SHORT\""},
        {"-log " + file + " text", "Could not open file \"" + file + "\""},
        {"-logfile " + file, "Unable to open logfile \"" + file + "\""},
        {"-load " + Path("jobs.jr"), "Cannot open the file " + Path("jobs.jr") + " for reading"},
    };
    { std::ofstream(Path("jobs.jr")) << "{\n-name loaded\n-action -print x\n}\n"; }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        env::Remove("JR.LAST_ERROR");
        engine::RunResult result;
        {
            const SoftDescriptorLimit limit(LowestFreeDescriptor());
            ASSERT_TRUE(limit.Ok());
            result = Execute(c.statement);
        }
        const SpawnResult r = Take();
        const std::string expected = c.lastError + ": too many open files";
        EXPECT_EQ(result, engine::RunResult::Continue) << "the job goes on";
        EXPECT_EQ(r.scriptErrors, 0u) << "no fatal failure";
        EXPECT_EQ(Var("JR.LAST_ERROR"), expected);
        EXPECT_TRUE(SaysWhy(r.lines, c.lastError));
    }
    // A job's $ONERROR decides what a shortage does.
    job.SetVariable("$ONERROR=break");
    const SoftDescriptorLimit limit(LowestFreeDescriptor());
    EXPECT_EQ(Execute("-set -persist OBT_SHORT=2"), engine::RunResult::Break);
}

} // namespace
} // namespace ob::test
