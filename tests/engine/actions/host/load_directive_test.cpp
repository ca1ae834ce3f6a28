// -load: files, patterns, -internal, -temp, -wait, and its failures.
#include "host_fixture.h"

#include "engine/actions/directive_table.h"
#include "engine/actions/statement_executor.h"
#include "engine/jobs/job.h"
#include "obrenta/obrenta.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace ob::test {
namespace {

std::ptrdiff_t IndexOf(const std::vector<std::string>& lines, const std::string& line) {
    const auto at = std::find(lines.begin(), lines.end(), line);
    return at == lines.end() ? -1 : at - lines.begin();
}

std::string OneJob(const std::string& name, const std::string& extra = "") {
    return "{\n\t-name " + name + "\n" + extra + "\t-action -print in " + name + "\n}\n";
}

class LoadDirectiveTest : public HostDirectiveTest {
protected:
    /// Queues a job "loader" whose first statement is `statement` and whose second
    /// prints "after load", runs it and returns its run result.
    engine::RunResult RunLoader(const std::string& statement) {
        const bool loaded = LoadScript("loader.jr", "{\n\t-name loader\n\t-action " + statement +
                                                        "\n\t-action -print after load\n}\n");
        EXPECT_TRUE(loaded);
        return loaded ? Run("loader") : engine::RunResult::Abort;
    }
    std::string Dir() const { return Scratch().Path().string(); }
};

TEST_F(LoadDirectiveTest, LoadsAFileAndGoesOn) {
    const std::string path = WriteFile("extra.jr", OneJob("loaded_one") + OneJob("loaded_two"));
    EXPECT_EQ(RunLoader("-load " + path), engine::RunResult::Continue);
    const auto events = Events();
    const auto lines = Lines(events);
    EXPECT_TRUE(HasLine(lines, "Loading " + path + "."));
    EXPECT_TRUE(HasLine(lines, "2 jobs loaded."));
    EXPECT_TRUE(HasLine(lines, "after load "));
    EXPECT_EQ(Count(events, OB_EV_NOTIFY, OB_NOTIFY_TEMPLATE_FAILED), 0u);
    ASSERT_NE(Find("loaded_one"), nullptr);
    ASSERT_NE(Find("loaded_two"), nullptr);
    EXPECT_FALSE(Find("loaded_one")->TestFlags(engine::JF_INTERNAL));
    EXPECT_TRUE(std::filesystem::exists(path)) << "only -temp deletes the file";
}

TEST_F(LoadDirectiveTest, JoinsTheNameWordsWithSingleBlanks) {
    const std::string path = WriteFile("my jobs.jr", OneJob("spaced"));
    EXPECT_EQ(RunLoader("-load " + Dir() + "/my    jobs.jr"), engine::RunResult::Continue);
    EXPECT_NE(Find("spaced"), nullptr);
    EXPECT_TRUE(HasLine(Lines(Events()), "Loading " + path + "."));
}

TEST_F(LoadDirectiveTest, InternalMakesInternalJobsAndBracketedLoaderMessages) {
    const std::string path = WriteFile("internal.jr", OneJob("inside"));
    // The options count anywhere among the words, in any letter case.
    EXPECT_EQ(RunLoader("-load " + path + " -INTERNAL"), engine::RunResult::Continue);
    ASSERT_NE(Find("inside"), nullptr);
    EXPECT_TRUE(Find("inside")->TestFlags(engine::JF_INTERNAL));
    auto lines = Lines(Events());
    EXPECT_FALSE(HasLine(lines, "Loading " + path + "."));
    EXPECT_FALSE(HasLine(lines, "[Loading " + path + ".]")) << "level bit 1 is clear";
    EXPECT_TRUE(HasLine(lines, "after load "));

    SetOutputLevel("1");
    engine::Job caller(datetime::OleDate::Now());
    EXPECT_EQ(Call(engine::DirectiveLoad, caller, {"-load", "-internal", path}),
              engine::Outcome::Done);
    lines = Lines(Events());
    EXPECT_TRUE(HasLine(lines, "[Loading " + path + ".]"));
    EXPECT_TRUE(HasLine(lines, "[1 jobs loaded.]"));
}

TEST_F(LoadDirectiveTest, TempDeletesTheFileAfterLoading) {
    const std::string path = WriteFile("temp.jr", OneJob("temporary"));
    EXPECT_EQ(RunLoader("-load -temp " + path), engine::RunResult::Continue);
    EXPECT_NE(Find("temporary"), nullptr);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(LoadDirectiveTest, PatternLoadsEveryMatchingFile) {
    const std::string a = WriteFile("a.jr", OneJob("pattern_a"));
    const std::string b = WriteFile("b.jr", OneJob("pattern_b"));
    const std::string c = WriteFile("c.txt", OneJob("pattern_c"));
    std::filesystem::create_directory(Scratch().Path() / "folder.jr");
    EXPECT_EQ(RunLoader("-load -temp " + Dir() + "/*.jr"), engine::RunResult::Continue);
    EXPECT_NE(Find("pattern_a"), nullptr);
    EXPECT_NE(Find("pattern_b"), nullptr);
    EXPECT_EQ(Find("pattern_c"), nullptr);
    EXPECT_FALSE(std::filesystem::exists(a));
    EXPECT_FALSE(std::filesystem::exists(b));
    EXPECT_TRUE(std::filesystem::exists(c));
    EXPECT_EQ(Count(Events(), OB_EV_NOTIFY, OB_NOTIFY_TEMPLATE_FAILED), 0u);
}

TEST_F(LoadDirectiveTest, PatternWithoutMatchSucceeds) {
    EXPECT_EQ(RunLoader("-load " + Dir() + "/?none*.jr"), engine::RunResult::Continue);
    const auto events = Events();
    EXPECT_TRUE(HasLine(Lines(events), "after load "));
    EXPECT_EQ(Count(events, OB_EV_NOTIFY, OB_NOTIFY_TEMPLATE_FAILED), 0u);
}

TEST_F(LoadDirectiveTest, PatternWithAFailingFilePostsLoadFailureAndAborts) {
    WriteFile("bad.jr", "{\n\t-name broken\n\t-nonsense here\n}\n");
    EXPECT_EQ(RunLoader("-load " + Dir() + "/*.jr"), engine::RunResult::Abort);
    const auto events = Events();
    EXPECT_EQ(Count(events, OB_EV_NOTIFY, OB_NOTIFY_TEMPLATE_FAILED), 1u);
    EXPECT_FALSE(HasLine(Lines(events), "after load "));
}

TEST_F(LoadDirectiveTest, MissingFilePostsLoadFailureWithoutAFatalReport) {
    const std::string path = Scratch() / "absent.jr";
    EXPECT_EQ(RunLoader("-load " + path), engine::RunResult::Abort)
        << "outcome 4 with an unset $RUNTIME";
    const auto events = Events();
    const auto lines = Lines(events);
    EXPECT_TRUE(HasLine(lines, "Cannot open the file " + path + " for reading."));
    EXPECT_FALSE(HasLine(lines, "after load "));
    EXPECT_EQ(Count(events, OB_EV_NOTIFY, OB_NOTIFY_TEMPLATE_FAILED), 1u);
    EXPECT_EQ(Count(events, OB_EV_NOTIFY, OB_NOTIFY_SCRIPT_ERROR), 0u);
    EXPECT_FALSE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.rfind("Error in file ", 0) == 0;
    }));
}

TEST_F(LoadDirectiveTest, FailureLeavesTheEndOfTheRunToRuntime) {
    ASSERT_TRUE(LoadScript("loader.jr", "{\n\t-name loader\n\t-action -load " + Dir() +
                                            "/absent.jr\n\t-action -print after load\n}\n"));
    Find("loader")->SetVariable("$RUNTIME=continue");
    EXPECT_EQ(Run("loader"), engine::RunResult::Continue);
    const auto events = Events();
    EXPECT_EQ(Count(events, OB_EV_NOTIFY, OB_NOTIFY_TEMPLATE_FAILED), 1u);
    EXPECT_TRUE(HasLine(Lines(events), "after load "));
}

TEST_F(LoadDirectiveTest, RefusalsAreFatal) {
    const std::string noName =
        "You must supply a filename.\r\nExample: -action -load c:\\myJobs.txt";
    struct Case {
        std::vector<std::string> words;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"-load"}, noName},
        {{"-load", "-temp"}, noName},
        {{"-load", "-Internal", "-WAIT", "-temp"}, noName},
    };
    for (const Case& c : cases) {
        engine::Job job(datetime::OleDate::Now());
        EXPECT_EQ(Call(engine::DirectiveLoad, job, c.words), engine::Outcome::Fatal)
            << c.words.back();
        const auto events = Events();
        EXPECT_TRUE(HasLine(Lines(events), c.message)) << c.words.back();
        EXPECT_EQ(Count(events, OB_EV_NOTIFY, OB_NOTIFY_SCRIPT_ERROR), 1u);
        EXPECT_EQ(Count(events, OB_EV_NOTIFY, OB_NOTIFY_TEMPLATE_FAILED), 0u);
    }
}

TEST_F(LoadDirectiveTest, WaitRunsTheLoadedJobBeforeTheNextStatement) {
    const std::string path = WriteFile("wait.jr", OneJob("waited", "\t-start\n\t-stop\n"));
    EXPECT_EQ(RunLoader("-load -wait " + path), engine::RunResult::Continue);
    const auto lines = Lines(Events());
    const auto ran = IndexOf(lines, "in waited ");
    ASSERT_GE(ran, 0) << "the loaded job ran at once";
    EXPECT_LT(ran, IndexOf(lines, "after load "));
    EXPECT_EQ(Find("waited"), nullptr) << "its bare -stop removed it after the run";
}

TEST_F(LoadDirectiveTest, WithoutWaitTheLoadedJobWaitsForTheScheduler) {
    const std::string path = WriteFile("wait.jr", OneJob("waited", "\t-start\n\t-stop\n"));
    EXPECT_EQ(RunLoader("-load " + path), engine::RunResult::Continue);
    EXPECT_FALSE(HasLine(Lines(Events()), "in waited "));
    EXPECT_NE(Find("waited"), nullptr);
}

TEST_F(LoadDirectiveTest, WaitIgnoredForAPattern) {
    WriteFile("wait.jr", OneJob("waited", "\t-start\n\t-stop\n"));
    EXPECT_EQ(RunLoader("-load -wait " + Dir() + "/wa?t.jr"), engine::RunResult::Continue);
    EXPECT_FALSE(HasLine(Lines(Events()), "in waited "));
    EXPECT_NE(Find("waited"), nullptr);
}

TEST_F(LoadDirectiveTest, WaitNeverStepsTheRunningJobAtTheHeadOfTheQueue) {
    // The caller heads the queue and is expired (as -once leaves a job that fired):
    // a scheduler step applied to it would delete it in the middle of its own run.
    const std::string path = WriteFile("wait.jr", OneJob("waited", "\t-start\n\t-stop\n"));
    ASSERT_TRUE(LoadScript("loader.jr", "{\n\t-name loader\n\t-action -load -wait " + path +
                                            "\n\t-action -print after load\n}\n"));
    engine::Job* loader = Find("loader");
    ASSERT_EQ(session.jobs.At(0), loader);
    loader->SetFlags(engine::JF_EXPIRED);
    static_cast<void>(engine::RunJobInPlace(session, nullptr, *loader));
    const auto lines = Lines(Events());
    EXPECT_TRUE(HasLine(lines, "in waited "));
    EXPECT_TRUE(HasLine(lines, "after load "));
}

} // namespace
} // namespace ob::test
