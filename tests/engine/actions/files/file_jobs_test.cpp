// The file and system directives inside real jobs: loaded from a job script and run
// in place as the scheduler runs them, with %-expansion of their words and the
// outcomes turned into run results.

#include "files_fixture.h"

#include "support/run_queued_job.h"

#include "engine/actions/statement_executor.h"
#include "engine/jobs/session_jobs.h"
#include "engine/loading/job_loader.h"
#include "platform/env/environment.h"

#include <chrono>
#include <regex>
#include <thread>

namespace ob::test {
namespace {

class FileJobsTest : public FilesTest {
protected:
    // Writes the script with DIR replaced by the scratch folder and loads it.
    void Load(const std::string& script) {
        const std::string text = std::regex_replace(script, std::regex("DIR"), Scratch().string());
        const std::string path = WriteFile("jobs.jr", text);
        ASSERT_TRUE(engine::LoadJobScript(session, path.c_str(), 0));
        Events();
    }

    engine::RunResult Run(const std::string& name) { return test::RunQueuedJob(session, name); }
};

TEST_F(FileJobsTest, FileDirectivesWorkTogetherThroughVariables) {
    WriteFile("a.txt", "hello");
    Load(R"({
-name filework
-action -md DIR/out
-action -copy DIR/a.txt DIR/out/b.txt
-action -getfile -newest DIR/out/*.txt F
-action -log DIR/run.log %F.FNAME% %F.EXT% %F.SIZE%
-action -rename DIR/out/b.txt DIR/a.txt
-action -log DIR/run.log after %JR.LAST_ERROR%
-action -debug 4
}
)");
    EXPECT_EQ(Run("filework"), engine::RunResult::Continue);
    EXPECT_EQ(ReadFile(Path("run.log")), "b .txt 5\nafter Rename file failed.\n");
    EXPECT_EQ(Var("F"), Path("out/b.txt"));
    EXPECT_EQ(Var("JR.OUTPUT_LEVEL"), "4");
    EXPECT_EQ(ReadFile(Path("a.txt")), "hello");
}

TEST_F(FileJobsTest, ASoftFailureRunsTheErrorHandlerAndTheJobGoesOn) {
    Load(R"({
-name mover
-action -onerror fixup
-action -move DIR/missing DIR/x
-action -log DIR/run.log continued
}
{
-name fixup
-action -log DIR/run.log handled %JR.LAST_ERROR%
}
)");
    EXPECT_EQ(Run("mover"), engine::RunResult::Continue);
    EXPECT_EQ(ReadFile(Path("run.log")), "handled Move file failed.\ncontinued\n");
}

TEST_F(FileJobsTest, AMissingArgumentAbortsTheRun) {
    Load(R"({
-name broken
-action -copy onlyone
-action -log DIR/never.log x
}
)");
    EXPECT_EQ(Run("broken"), engine::RunResult::Abort);
    EXPECT_FALSE(Exists(Path("never.log")));
    const std::vector<HostEvent> events = Events();
    const std::vector<std::string> lines = Lines(events);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Missing argument for directive \"-copy\""),
              lines.end());
    EXPECT_EQ(Count(events, OB_EV_NOTIFY, OB_NOTIFY_SCRIPT_ERROR), 1u);
}

TEST_F(FileJobsTest, AWakeUpBreaksTheRunOfASleepingJob) {
    Load(R"({
-name sleeper
-action -log DIR/run.log before
-action -sleep 60000
-action -log DIR/run.log after
}
)");
    std::thread waker([this] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (session.wakeup.WaiterCount() == 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        session.wakeup.Pulse();
    });
    const auto result = Run("sleeper");
    waker.join();
    EXPECT_EQ(result, engine::RunResult::Break);
    EXPECT_EQ(ReadFile(Path("run.log")), "before\n");
}

TEST_F(FileJobsTest, DateAndPathPrintThroughTheHost) {
    env::Set("PATH", "/bin");
    Load(R"({
-name printer
-action -date 12/25/2005
-action -path
}
)");
    EXPECT_EQ(Run("printer"), engine::RunResult::Continue);
    EXPECT_EQ(Lines(Events()),
              (std::vector<std::string>{"Result: 12/25/2005= 12/25/2005", "Result: /bin"}));
}

} // namespace
} // namespace ob::test
