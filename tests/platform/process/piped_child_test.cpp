// A child fed through its standard input: output and status come back, a child
// that stops reading or outlives its deadline is a failure, and a killed child
// never sees the end of its input.
#include "platform/process/piped_child.h"

#include "platform/env/environment.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>

namespace ob::test {
namespace {

using namespace std::chrono_literals;

process::SpawnRequest Shell(const std::string& script) {
    process::SpawnRequest request;
    request.path = "/bin/sh";
    request.arguments = {"sh", "-c", script};
    request.environment = env::Block();
    return request;
}

process::PipedChild::Deadline In(std::chrono::milliseconds span) {
    return std::chrono::steady_clock::now() + span;
}

TEST(PipedChildTest, InputReachesTheChildAndItsOutputAndStatusComeBack) {
    process::PipedChild child;
    ASSERT_EQ(child.Start(Shell("tr a-z A-Z; echo oops >&2; exit 3")), 0);
    ASSERT_TRUE(child.Write("hello\n", In(10s)));
    EXPECT_EQ(child.Finish(In(10s)), process::PipedExit::Exited);
    EXPECT_EQ(child.Status(), 3);
    EXPECT_EQ(child.Output(), "HELLO\noops\n");
    EXPECT_FALSE(child.Running());
}

TEST(PipedChildTest, AProgramThatCannotRunIsAStartError) {
    process::PipedChild child;
    process::SpawnRequest request = Shell("");
    request.path = "/nonexistent/program";
    EXPECT_EQ(child.Start(request), ENOENT);
    EXPECT_FALSE(child.Running());
}

TEST(PipedChildTest, WritingToAChildThatStoppedReadingFailsWithoutSignal) {
    process::PipedChild child;
    ASSERT_EQ(child.Start(Shell("echo not reading; exit 0")), 0);
    const std::string big(8u << 20, 'x'); // far more than the socket holds
    EXPECT_FALSE(child.Write(big, In(10s)));
    EXPECT_EQ(child.LastErrno(), EPIPE);
    child.Kill();
    EXPECT_EQ(child.Output(), "not reading\n");
}

TEST(PipedChildTest, AChildPastItsDeadlineIsKilled) {
    process::PipedChild child;
    ASSERT_EQ(child.Start(Shell("exec sleep 30")), 0);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(child.Finish(In(200ms)), process::PipedExit::TimedOut);
    EXPECT_FALSE(child.Running());
    EXPECT_LT(std::chrono::steady_clock::now() - started, 20s) << "it did not wait for sleep";
}

TEST(PipedChildTest, AKilledChildNeverSeesTheEndOfItsInput) {
    ScratchDir dir;
    const std::string marker = dir / "input-ended";
    {
        process::PipedChild child;
        ASSERT_EQ(child.Start(Shell("cat >/dev/null; touch '" + marker + "'")), 0);
        ASSERT_TRUE(child.Write("half a message", In(10s)));
        child.Kill();
    }
    {
        process::PipedChild child; // and one simply dropped unfinished
        ASSERT_EQ(child.Start(Shell("cat >/dev/null; touch '" + marker + "'")), 0);
        ASSERT_TRUE(child.Write("half a message", In(10s)));
    }
    EXPECT_FALSE(std::filesystem::exists(marker));
}

} // namespace
} // namespace ob::test
