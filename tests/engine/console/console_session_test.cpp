// The console against a live session: job listings with trigger times and
// statistics, kill, the fifth connection, closing, and a client that stops reading.

#include "console_fixture.h"
#include "engine/jobs/session_jobs.h"
#include "obrenta/history.h"

#include <fcntl.h>
#include <fstream>
#include <thread>
#include <unistd.h>
#include <vector>

namespace ob::test {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

class ConsoleSessionTest : public ConsoleTest {
protected:
    void LoadJobs(const std::string& text) {
        const std::string path = dir_ / "jobs.jr";
        std::ofstream(path) << text;
        ASSERT_EQ(OB_LoadCronScript(host_.Session(), path.c_str()), OB_OK);
    }

    // Sends a command and returns its whole answer up to the prompt.
    std::string Ask(ConsoleClient& client, const std::string& command) {
        EXPECT_TRUE(client.Send(command + "\r\n"));
        return client.ReadUntil(HostPrompt(), seconds(30));
    }

    std::size_t QueuedJobs() {
        engine::SessionLock lock(host_.Record());
        return host_.Record().jobs.Size();
    }

    ScratchDir dir_;
};

constexpr const char* kJobs = R"({
	-name runner
	-start -inc 0 0 0 1
	-action -set X=1
}
{
	-name sleeper
	-start -delay 1 0 0 0
	-action -set Y=1
}
{
	-name helper
	-action -set Z=1
}
)";

TEST_F(ConsoleSessionTest, ListShowsTriggersAndStatistics) {
    LoadJobs(kJobs);
    auto client = Connect();
    ASSERT_TRUE(client->Login("admin", "secret"));

    // Before the scheduler runs anything, every start is new.
    std::string answer = Ask(*client, "list -t run");
    EXPECT_NE(answer.find("runner: \r\n\tCreated: "), std::string::npos) << answer;
    EXPECT_NE(answer.find("\tSchedule Last: (NEW)\r\n\tSchedule Next: "), std::string::npos);
    EXPECT_NE(answer.find("1 Job(s)\r\n+OK\r\n"), std::string::npos);

    ASSERT_EQ(OB_ModifyFlags(host_.Session(), SF_ENABLED, 0), OB_OK);
    ASSERT_TRUE(WaitFor(
        [&] {
            engine::SessionLock lock(host_.Record());
            for (std::size_t i = 0; i < host_.Record().jobs.Size(); ++i) {
                const engine::Job* job = host_.Record().jobs.At(i);
                if (job->Name() == "runner" && job->Env().timesCalled > 0) {
                    return true;
                }
            }
            return false;
        },
        seconds(10)));

    answer = Ask(*client, "list -ts");
    const auto runner = answer.find("runner: \r\n");
    const auto sleeper = answer.find("sleeper: \r\n");
    const auto helper = answer.find("helper: \r\n");
    ASSERT_NE(runner, std::string::npos) << answer;
    ASSERT_NE(sleeper, std::string::npos) << answer;
    ASSERT_NE(helper, std::string::npos) << answer;
    EXPECT_LT(runner, sleeper);
    EXPECT_LT(sleeper, helper);
    const std::string runnerBlock = answer.substr(runner, sleeper - runner);
    const std::string sleeperBlock = answer.substr(sleeper, helper - sleeper);
    const std::string helperBlock = answer.substr(helper);
    EXPECT_EQ(runnerBlock.find("(NEW)"), std::string::npos) << runnerBlock;
    EXPECT_NE(runnerBlock.find("\tSchedule Last: "), std::string::npos);
    EXPECT_EQ(runnerBlock.find("\tTimes called: 0\r\n"), std::string::npos) << runnerBlock;
    EXPECT_NE(runnerBlock.find("\tTotal time in Job: Dys=0, Hrs=0, Mns="), std::string::npos);
    EXPECT_NE(sleeperBlock.find("\tSchedule Last: (NEW)\r\n"), std::string::npos) << sleeperBlock;
    EXPECT_NE(sleeperBlock.find("\tTimes called: 0\r\n"), std::string::npos);
    EXPECT_NE(
        helperBlock.find("\tSchedule Last: (Subroutine)\r\n\tSchedule Next: (Subroutine)\r\n"),
        std::string::npos)
        << helperBlock;
    EXPECT_NE(answer.find("3 Job(s)\r\n+OK\r\n"), std::string::npos);

    // Options only: no trigger or statistics blocks.
    answer = Ask(*client, "list");
    EXPECT_EQ(answer, "runner: \r\nsleeper: \r\nhelper: \r\n3 Job(s)\r\n+OK\r\n" + HostPrompt());
}

TEST_F(ConsoleSessionTest, ListShowsThePreviewedNextTimeAndHistoryTheRecordedRuns) {
    ASSERT_EQ(OB_EnableHistory(host_.Session(), (dir_ / "history.db").c_str()), OB_OK);
    // A Friday start, skipped on Fridays: it next fires on Saturday.
    LoadJobs("{\n-name once\n-start\n-action -print ran\n}\n"
             "{\n-name weekend\n-start 2099-01-02 03:04:05 -inc 1 0 0 0\n-skip -week 6\n}\n");
    auto client = Connect();
    ASSERT_TRUE(client->Login("admin", "secret"));
    std::string answer = Ask(*client, "list -t weekend");
    EXPECT_NE(answer.find("\tSchedule Next: Saturday, January 3, 2099 03:04:05\r\n"),
              std::string::npos)
        << answer;

    ASSERT_EQ(OB_ModifyFlags(host_.Session(), SF_ENABLED, 0), OB_OK);
    ASSERT_TRUE(WaitFor([&] {
        answer = Ask(*client, "history --job ^once$");
        return answer.find(" once\r\n") != std::string::npos;
    }));
    EXPECT_EQ(answer.rfind("STARTED                    TOOK  OUTCOME   LINES  JOB\r\n", 0), 0u)
        << answer;
    EXPECT_NE(answer.find("  continue      1  once\r\n+OK\r\n"), std::string::npos) << answer;
    answer = Ask(*client, "list -t once");
    EXPECT_NE(answer.find("\tSchedule Next: (Never)\r\n"), std::string::npos) << answer;

    answer = Ask(*client, "history --since 2024-03-04 10:00 --limit 1 --failed");
    EXPECT_NE(answer.find("(no runs)\r\n+OK\r\n"), std::string::npos) << answer;
    answer = Ask(*client, "history --limit many");
    EXPECT_NE(answer.find("--limit takes a whole number from 0 to 1000000, not 'many'\r\n"
                          "Usage: history "),
              std::string::npos)
        << answer;
    EXPECT_NE(answer.find("+FAILED\r\n"), std::string::npos) << answer;
}

TEST_F(ConsoleSessionTest, KillRemovesEveryMatchingJob) {
    LoadJobs(kJobs);
    auto client = Connect();
    ASSERT_TRUE(client->Login("admin", "secret"));
    EXPECT_EQ(Ask(*client, "kill er$"), "Killed 3 job(s) named er$\r\n+OK\r\n" + HostPrompt());
    EXPECT_EQ(QueuedJobs(), 0u);
    EXPECT_EQ(Ask(*client, "list"), "0 Job(s)\r\n+OK\r\n" + HostPrompt());
}

// Descriptor 0 is a socket like any other: a client the server accepts on it is
// served (0 once meant "free slot").
TEST_F(ConsoleSessionTest, AClientAcceptedOnDescriptorZeroIsServed) {
    const int savedInput = ::fcntl(0, F_DUPFD_CLOEXEC, 3);
    ASSERT_GE(savedInput, 0);
    ::close(0);
    // 0 stays taken while the client's own socket is made, then is left free for
    // the server's accept.
    const int placeholder = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(placeholder, 0);
    auto client = Connect();
    ::close(placeholder);
    const std::string greeting = client->ReadUntil("Username: ");
    char target[64] = {};
    const bool zeroIsASocket = ::readlink("/proc/self/fd/0", target, sizeof target - 1) > 0 &&
                               std::string(target).rfind("socket:", 0) == 0;
    if (!zeroIsASocket) {
        ::dup2(savedInput, 0);
        GTEST_SKIP() << "another descriptor took 0 before the server accepted";
    }
    EXPECT_NE(greeting, "") << "the client on descriptor 0 was greeted";
    EXPECT_TRUE(client->Send("admin\r\n"));
    EXPECT_NE(client->ReadUntil("Password: "), "");
    EXPECT_TRUE(client->Send("secret\r\n"));
    EXPECT_NE(client->ReadUntil("+OK\r\n" + HostPrompt(), seconds(20)), "");
    EXPECT_EQ(Ask(*client, "hello"), "Hello\r\n+OK\r\n" + HostPrompt());
    EXPECT_TRUE(client->Send("exit\r\n"));
    EXPECT_TRUE(client->WaitClosed());
    EXPECT_TRUE(WaitFor([this] { return host_.Record().console.ConnectionCount() == 0; }));
    // The server has closed its end: 0 is free again for the test's own input.
    ::dup2(savedInput, 0);
    ::close(savedInput);
}

TEST_F(ConsoleSessionTest, KillWithoutAPatternDeletesNothing) {
    LoadJobs("{\n\t-name nullable_backup\n}\n{\n\t-name keepme\n}\n");
    auto client = Connect();
    ASSERT_TRUE(client->Login("admin", "secret"));
    for (const char* command : {"kill", "kill   ", "kill -ts"}) {
        EXPECT_EQ(Ask(*client, command),
                  "Usage: kill <regexp>\r\nReason: Kill Jobs matching regexp.\r\n+FAILED\r\n" +
                      HostPrompt())
            << command;
    }
    EXPECT_EQ(Ask(*client, "list"),
              "nullable_backup: \r\nkeepme: \r\n2 Job(s)\r\n+OK\r\n" + HostPrompt());
}

TEST_F(ConsoleSessionTest, KillByPatternLeavesOthers) {
    LoadJobs(kJobs);
    auto client = Connect();
    ASSERT_TRUE(client->Login("admin", "secret"));
    EXPECT_EQ(Ask(*client, "KILL ^s"), "Killed 1 job(s) named ^s\r\n+OK\r\n" + HostPrompt());
    EXPECT_EQ(Ask(*client, "list"), "runner: \r\nhelper: \r\n2 Job(s)\r\n+OK\r\n" + HostPrompt());
}

TEST_F(ConsoleSessionTest, FifthConnectionIsClosedAtOnce) {
    std::vector<std::unique_ptr<ConsoleClient>> clients;
    for (int i = 0; i < 4; ++i) {
        clients.push_back(Connect());
        ASSERT_FALSE(clients.back()->ReadUntil("Username: ").empty()) << "client " << i;
    }
    auto fifth = Connect();
    EXPECT_TRUE(fifth->WaitClosed(seconds(5)));
    EXPECT_EQ(fifth->ReadFor(milliseconds(0)), "");

    // A freed slot serves the next client.
    clients[1]->Send("x\r\n");
    clients[1].reset();
    ASSERT_TRUE(WaitFor([&] { return host_.Record().console.ConnectionCount() == 3; }));
    auto next = Connect();
    EXPECT_FALSE(next->ReadUntil("Username: ").empty());
}

TEST_F(ConsoleSessionTest, ClientClosingFreesItsSlot) {
    {
        auto client = Connect();
        ASSERT_FALSE(client->ReadUntil("Username: ").empty());
        ASSERT_TRUE(WaitFor([&] { return host_.Record().console.ConnectionCount() == 1; }));
    }
    EXPECT_TRUE(WaitFor([&] { return host_.Record().console.ConnectionCount() == 0; }));
}

TEST_F(ConsoleSessionTest, TypedAheadLinesWaitForTheLoginCheck) {
    // A slow account check (as PAM is after a wrong password) must not stall the
    // engine thread, and lines typed meanwhile run after it, in order.
    host_.Record().console.SetLogonCheck(
        [](const std::string& user, const std::string& password, const std::string& group) {
            std::this_thread::sleep_for(milliseconds(1500));
            return FakeLogon(user, password, group);
        });
    auto client = Connect();
    ASSERT_FALSE(client->ReadUntil("Username: ").empty());
    ASSERT_TRUE(client->Send("admin\r\nsecret\r\nhelp hello\r\n"));
    ASSERT_EQ(client->Read(15), "+OK\r\nPassword: ");
    // The engine thread keeps serving other clients meanwhile.
    auto other = Connect();
    const auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(other->ReadUntil("Username: ").empty());
    EXPECT_LT(std::chrono::steady_clock::now() - before, milliseconds(1200));
    EXPECT_EQ(client->ReadUntil("+OK\r\n" + HostPrompt() + "Usage: hello", seconds(10)),
              "+OK\r\n" + HostPrompt() + "Usage: hello");
}

TEST_F(ConsoleSessionTest, ClientThatStopsReadingIsDropped) {
    // Many log lines make each `head 5000` about 300 kB; a client that asks
    // again and again without reading outgrows its queue and is disconnected.
    const std::string line(79, 'L');
    for (int i = 0; i < 5000; ++i) {
        OB_LogOutput(host_.Session(), line.c_str());
    }
    auto client = Connect();
    ASSERT_TRUE(client->Login("admin", "secret"));
    std::string commands;
    for (int i = 0; i < 80; ++i) {
        commands += "head 5000\r\n";
    }
    ASSERT_TRUE(client->Send(commands));
    EXPECT_TRUE(
        WaitFor([&] { return host_.Record().console.ConnectionCount() == 0; }, seconds(30)));
}

} // namespace
} // namespace ob::test
