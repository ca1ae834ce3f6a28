// -kill: deleting queued jobs by name, and the refusal for running ones.
#include "host_fixture.h"

#include "engine/actions/directive_table.h"
#include "engine/jobs/job.h"
#include "obrenta/obrenta.h"

#include <algorithm>
#include <string>
#include <vector>

namespace ob::test {
namespace {

std::string Block(const std::string& name, const std::string& actions = "\t-action -meta\n") {
    return "{\n\t-name " + name + "\n" + actions + "}\n";
}

/// The lines -kill reports, in order.
std::vector<std::string> KillLines(const std::vector<std::string>& lines) {
    std::vector<std::string> found;
    for (const std::string& line : lines) {
        if (line.find("Found:") != std::string::npos ||
            line.find("Kill triggered") != std::string::npos) {
            found.push_back(line);
        }
    }
    return found;
}

class KillDirectiveTest : public HostDirectiveTest {};

TEST_F(KillDirectiveTest, DeletesEveryMatchingJobOneAfterTheOther) {
    ASSERT_TRUE(LoadScript("jobs.jr", Block("backup-1") + Block("other") + Block("backup-2") +
                                          Block("killer", "\t-action -kill backup\n"
                                                          "\t-action -print done\n")));
    EXPECT_EQ(Run("killer"), engine::RunResult::Continue);
    const auto lines = Lines(Events());
    const std::string found = "Found:backup: " + NowLong() + ".";
    const std::string removing = "--Kill triggered, removing backup.";
    EXPECT_EQ(KillLines(lines), (std::vector<std::string>{found, removing, found, removing}));
    EXPECT_TRUE(HasLine(lines, "done "));
    EXPECT_EQ(Find("backup"), nullptr);
    EXPECT_NE(Find("other"), nullptr);
    EXPECT_NE(Find("killer"), nullptr);
    EXPECT_EQ(session.jobs.Size(), 2u);
}

TEST_F(KillDirectiveTest, PatternIsTheWordsJoinedWithBlanks) {
    ASSERT_TRUE(LoadScript("jobs.jr", Block("nightly backup job") + Block("nightly") +
                                          Block("killer", "\t-action -kill nightly,   backup\n")));
    EXPECT_EQ(Run("killer"), engine::RunResult::Continue);
    EXPECT_EQ(KillLines(Lines(Events())),
              (std::vector<std::string>{"Found:nightly backup: " + NowLong() + ".",
                                        "--Kill triggered, removing nightly backup."}));
    EXPECT_EQ(Find("nightly backup"), nullptr);
    EXPECT_NE(Find("nightly"), nullptr);
}

TEST_F(KillDirectiveTest, InternalJobsAreReportedAsSystemMessages) {
    ASSERT_TRUE(LoadScript("jobs.jr", Block("-internal hidden-a") + Block("-internal hidden-b") +
                                          Block("killer", "\t-action -kill hidden-a\n"
                                                          "\t-action -kill hidden-b\n")));
    SetOutputLevel("0");
    engine::Job* killer = Find("killer");
    engine::Job caller(datetime::OleDate::Now());
    EXPECT_EQ(Call(engine::DirectiveKill, caller, {"-kill", "hidden-a"}), engine::Outcome::Done);
    EXPECT_TRUE(KillLines(Lines(Events())).empty()) << "level bit 1 is clear";
    EXPECT_EQ(Find("hidden-a"), nullptr);

    SetOutputLevel("1");
    EXPECT_EQ(Call(engine::DirectiveKill, caller, {"-kill", "hidden-b"}), engine::Outcome::Done);
    EXPECT_EQ(KillLines(Lines(Events())),
              (std::vector<std::string>{"[Found:hidden-b: " + NowLong() + ".]",
                                        "[--Kill triggered, removing hidden-b.]"}));
    EXPECT_EQ(Find("hidden-b"), nullptr);
    EXPECT_EQ(Find("killer"), killer);
}

TEST_F(KillDirectiveTest, StopsAtTheFirstMatchingJobThatIsRunning) {
    // The running job is the first match, so the later one stays as well.
    ASSERT_TRUE(LoadScript("jobs.jr", Block("backup-runner", "\t-action -kill backup\n"
                                                             "\t-action -print goes on\n") +
                                          Block("backup-later")));
    EXPECT_EQ(Run("backup-runner"), engine::RunResult::Continue);
    const auto lines = Lines(Events());
    EXPECT_TRUE(HasLine(lines, "backup is active and cannot be deleted."));
    EXPECT_TRUE(HasLine(lines, "goes on "));
    EXPECT_TRUE(KillLines(lines).empty());
    EXPECT_NE(Find("backup-runner"), nullptr);
    EXPECT_NE(Find("backup-later"), nullptr);
}

TEST_F(KillDirectiveTest, RefusesToDeleteACallerOfTheRunningJob) {
    ASSERT_TRUE(LoadScript("jobs.jr", Block("outer", "\t-action -call inner\n"
                                                     "\t-action -print outer goes on\n") +
                                          Block("inner", "\t-action -kill outer\n")));
    EXPECT_EQ(Run("outer"), engine::RunResult::Continue);
    const auto lines = Lines(Events());
    EXPECT_TRUE(HasLine(lines, "outer is active and cannot be deleted."));
    EXPECT_TRUE(HasLine(lines, "outer goes on "));
    EXPECT_NE(Find("outer"), nullptr);
}

TEST_F(KillDirectiveTest, NoMatchDoesNothing) {
    ASSERT_TRUE(
        LoadScript("jobs.jr", Block("keep") + Block("killer", "\t-action -kill nomatch\n")));
    EXPECT_EQ(Run("killer"), engine::RunResult::Continue);
    const auto events = Events();
    EXPECT_TRUE(Lines(events).empty());
    EXPECT_TRUE(ActionCodes(events).empty());
    EXPECT_EQ(session.jobs.Size(), 2u);
}

TEST_F(KillDirectiveTest, MissingOrEmptyNameIsFatalAndDeletesNothing) {
    ASSERT_TRUE(LoadScript("jobs.jr", Block("keep")));
    const std::vector<std::vector<std::string>> cases = {
        {"-kill"}, {"-kill", ""}, {"-kill", " ", "\t"}};
    for (const auto& words : cases) {
        engine::Job job(datetime::OleDate::Now());
        EXPECT_EQ(Call(engine::DirectiveKill, job, words), engine::Outcome::Fatal);
        const auto events = Events();
        EXPECT_TRUE(HasLine(Lines(events), "You must specify the job to kill by name."));
        EXPECT_EQ(Count(events, OB_EV_NOTIFY, OB_NOTIFY_SCRIPT_ERROR), 1u);
        EXPECT_EQ(session.jobs.Size(), 1u) << "an empty pattern would match every job";
    }
}

} // namespace
} // namespace ob::test
