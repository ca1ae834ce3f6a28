// The statement executor: outcomes and control variables, the fatal-error report,
// the break event, calls and returns through real jobs, and the depth limit.

#include "engine/actions/statement_executor.h"
#include "engine/jobs/action_statement.h"
#include "engine/loading/core_dump.h"
#include "engine/loading/job_loader.h"
#include "flow_fixture.h"
#include "platform/env/environment.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace ob::test {
namespace {

using engine::Job;

class StatementExecutor : public FlowTest {};

// A statement between two prints: the run result, and whether the job went on.
struct ControlCase {
    const char* statement;
    engine::RunResult result;
    bool goesOn;
};

TEST_F(StatementExecutor, ControlWordsTurnOutcomesIntoRunResults) {
    const ControlCase cases[] = {
        {"-meta anything at all", engine::RunResult::Continue, true},
        {"-call", engine::RunResult::Continue, true},
        {"-return", engine::RunResult::Continue, true},
        {"-call continue", engine::RunResult::Continue, true},
        {"-return break", engine::RunResult::Break, false},
        {"-return STOP", engine::RunResult::Stop, false},
        {"-return Abort", engine::RunResult::Abort, false},
        {"-call break", engine::RunResult::Break, false},
        {"-raise", engine::RunResult::Continue, true}, // no handler: soft failures are ignored
    };
    for (const ControlCase& c : cases) {
        SCOPED_TRACE(c.statement);
        Reset();
        Load(std::string("{\n-name main\n-action -print before\n-action ") + c.statement +
             "\n-action -print after\n}\n");
        EXPECT_EQ(Run("main"), c.result);
        const auto lines = Lines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], "before ");
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "after "), c.goesOn ? 1 : 0);
    }
}

TEST_F(StatementExecutor, ReturnWithoutValueSetsContinue) {
    Load("{\n-name main\n-action -return\n}\n");
    Find("main")->SetVariable("$RETURN=stop");
    EXPECT_EQ(Run("main"), engine::RunResult::Continue);
    EXPECT_EQ(Find("main")->GetVariable("$RETURN"), "continue");
}

TEST_F(StatementExecutor, ControlValuesAreTrimmedBeforeTheyAreCompared) {
    Load("{\n-name main\n-action -return \"  stop\t\"\n-action -print after\n}\n");
    EXPECT_EQ(Run("main"), engine::RunResult::Stop);
    const auto lines = Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "after "), 0) << "stopped before its print";
}

TEST_F(StatementExecutor, OnErrorHandlerRunsAndTheJobGoesOnAfterTheRaise) {
    Load("{\n-name errjob\n-action -print handled %JR.LAST_ERROR%\n}\n"
         "{\n-name main\n-action -onerror errjob\n-action -raise\n-action -print after\n}\n");
    EXPECT_EQ(Run("main"), engine::RunResult::Continue);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"handled User raised exception. ", "after "}));
    EXPECT_EQ(Find("main")->GetVariable("$ONERROR"), "errjob");
    EXPECT_EQ(Var("JR.LAST_ERROR"), "User raised exception.");
}

TEST_F(StatementExecutor, HandlerStaysInForceAcrossRunsAndItsResultIsTheStatements) {
    Load("{\n-name errjob\n-action -print handler\n-action -return break\n}\n"
         "{\n-name main\n-action -raise\n-action -print after\n}\n");
    Find("main")->SetVariable("$ONERROR=errjob");
    EXPECT_EQ(Run("main"), engine::RunResult::Break) << "the handler's break ends the caller's run";
    EXPECT_EQ(Lines(), (std::vector<std::string>{"handler "}));
    EXPECT_EQ(Run("main"), engine::RunResult::Break) << "a handler set once stays until replaced";
}

TEST_F(StatementExecutor, ControlValueNamingNoJobPrintsTheLabelAndAborts) {
    SetOutputLevel("4");
    Load("{\n-name main\n-action -onerror nosuchjob\n-action -raise\n-action -print after\n}\n");
    EXPECT_EQ(Run("main"), engine::RunResult::Abort);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Label not found: \"nosuchjob\"", "[Aborting]",
                                                 "Abort called."}));
    EXPECT_NE(session.flags.load() & SF_CLEAR_QUEUE, 0u);
}

TEST_F(StatementExecutor, FatalFailureReportsAbortsAndDumpsTheQueue) {
    SetOutputLevel("1");
    const std::string file = Load("{\n-name main\n-action -print before\n-action -bogus x\n"
                                  "-action -print after\n}\n");
    const std::string core = engine::CoreDumpPath();
    ASSERT_FALSE(core.empty());
    EXPECT_EQ(Run("main"), engine::RunResult::Abort);
    const Output out = Take();
    EXPECT_EQ(out.lines, (std::vector<std::string>{
                             "before ",
                             "Error in file " + file,
                             "Unknown -action directive \"-bogus\"",
                             "[Job $FILENAME->" + file + "]",
                             "[Job $NAME->main]",
                             "[Job $FLAGS->0]",
                             "[Statement->\"-bogus x\"]",
                             "[Statement line->4]",
                             "[Statement flags->0]",
                             "Abort called.",
                         }));
    EXPECT_EQ(out.scriptErrors, 1u);
    EXPECT_NE(session.flags.load() & SF_CLEAR_QUEUE, 0u);

    std::ifstream dump(core);
    std::stringstream text;
    text << dump.rdbuf();
    EXPECT_NE(text.str().find("# Job $FILENAME->" + file), std::string::npos)
        << "the queue was appended to " << core;
}

TEST_F(StatementExecutor, RuntimeVariableDecidesWhatAFatalFailureDoes) {
    Load("{\n-name recover\n-action -print recovering\n}\n"
         "{\n-name main\n-action -bogus\n-action -print after\n}\n");
    Find("main")->SetVariable("$RUNTIME=continue");
    EXPECT_EQ(Run("main"), engine::RunResult::Continue);
    Output out = Take();
    EXPECT_EQ(out.lines.back(), "after ");
    EXPECT_EQ(out.scriptErrors, 1u) << "the failure is still reported";

    Find("main")->SetVariable("$RUNTIME=recover");
    EXPECT_EQ(Run("main"), engine::RunResult::Continue);
    out = Take();
    ASSERT_EQ(out.lines.size(), 4u);
    EXPECT_EQ(out.lines[1], "Unknown -action directive \"-bogus\"");
    EXPECT_EQ(out.lines[2], "recovering ");
    EXPECT_EQ(out.lines[3], "after ");
}

TEST_F(StatementExecutor, UnknownWordsAndScriptStatementsFailFatally) {
    struct Case {
        const char* statement;
        const char* message;
    };
    const Case cases[] = {
        {"-action 123", "Unknown -action directive \"123\""},
        {"-action -Printx a", "Unknown -action directive \"-Printx\""},
        {"-action @x", "Unknown -action directive \"@x\""},
        {"Greet(\"you\")", "Error: Unknown VBScript error."},
        {"-action zzz", "Error: Unknown VBScript error."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        Reset();
        Load(std::string("{\n-name main\n") + c.statement + "\n-action -print after\n}\n");
        EXPECT_EQ(Run("main"), engine::RunResult::Abort);
        const Output out = Take();
        ASSERT_GE(out.lines.size(), 2u);
        EXPECT_EQ(out.lines[1], c.message);
        EXPECT_EQ(out.scriptErrors, 1u);
    }
}

TEST_F(StatementExecutor, StatementThatExpandsToNothingIsAnUnknownDirective) {
    env::Set("OBT_LATER", "-print");
    Load("{\n-name main\n-action %OBT_LATER%\n}\n");
    env::Remove("OBT_LATER");
    EXPECT_EQ(Run("main"), engine::RunResult::Abort);
    const auto lines = Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], "Unknown -action directive \"\"");
}

TEST_F(StatementExecutor, DirectiveNamesCompareWithoutRegardToCase) {
    Load("{\n-name main\n-action -PRINT one\n-action -sEt OBT_CASE=2\n"
         "-action -setevent OBT_CASE_EVENT\n}\n");
    EXPECT_EQ(Run("main"), engine::RunResult::Continue);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"one "}));
    EXPECT_EQ(Var("OBT_CASE"), "2");
    EXPECT_EQ(Var("OBT_CASE_EVENT"), "1");
}

TEST_F(StatementExecutor, StatementReachedAfterBreakOnlySetsReturn) {
    SetOutputLevel("4");
    Load("{\n-name main\n-action -print one\n-action -print two\n}\n");
    Job* main = Find("main");
    auto* first = static_cast<engine::ActionStatement*>(main->Statements()[1].get());
    first->comment = "a notice";
    session.breakEvent.Set();
    EXPECT_EQ(Run("main"), engine::RunResult::Break);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"[Breaking]"})) << "not even the comment";
    EXPECT_EQ(main->GetVariable("$RETURN"), "break");

    session.breakEvent.ResetEvent();
    EXPECT_EQ(Run("main"), engine::RunResult::Continue);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"a notice", "one ", "two "}));
}

TEST_F(StatementExecutor, InertStatementOnlyPrintsItsComment) {
    // The obsolete increment becomes inert with a notice when its job is completed.
    Load("{\n-name main\n-action -inc 0 0 1 30\n-action -print after\n}\n");
    EXPECT_EQ(Run("main"), engine::RunResult::Continue);
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("Warning: Using obsolete syntax: -action -inc"), std::string::npos);
    EXPECT_EQ(lines[1], "after ");
}

TEST_F(StatementExecutor, CalledJobThatStopsStopsItsCallerToo) {
    SetOutputLevel("4");
    Load("{\n-name sub_ok\n-action -print in ok\n}\n"
         "{\n-name sub_stop\n-action -print in stop\n-action -return stop\n"
         "-action -print unreached\n}\n"
         "{\n-name main\n-action -call sub_ok\n-action -print between\n"
         "-action -call sub_stop\n-action -print unreached\n}\n");
    EXPECT_EQ(Run("main"), engine::RunResult::Stop);
    const std::string trigger = ": " + NowLong() + ".";
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           "in ok ",
                           "between ",
                           "in stop ",
                           "[Stopping]",
                           "Trigger:sub_stop" + trigger,
                           "--Stop triggered, removing job.",
                           "[Stopping]",
                           "Trigger:main" + trigger,
                           "--Stop triggered, removing job.",
                       }));
    EXPECT_EQ(Find("sub_stop"), nullptr);
    EXPECT_EQ(Find("main"), nullptr);
    EXPECT_NE(Find("sub_ok"), nullptr) << "a job that ended normally stays";
}

TEST_F(StatementExecutor, JobNamesArePatternsMatchedAnywhere) {
    Load("{\n-name alpha_job\n-action -print alpha\n}\n"
         "{\n-name beta_job\n-action -print beta\n}\n"
         "{\n-name main\n-action -call job\n-action -call ^bet\n-action -call a_j.b$\n}\n");
    EXPECT_EQ(Run("^main$"), engine::RunResult::Continue);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"alpha ", "beta ", "alpha "}));
}

TEST_F(StatementExecutor, JobCallingItselfEndsAtTheDepthLimit) {
    SetOutputLevel("1");
    Load("{\n-name self\n-action -print level\n-action -call self\n-action -print unwound\n}\n");
    Job* self = Find("self");
    EXPECT_EQ(Run("self"), engine::RunResult::Abort);
    const Output out = Take();
    EXPECT_EQ(std::count(out.lines.begin(), out.lines.end(), "level "), engine::kMaxRunDepth);
    EXPECT_EQ(std::count(out.lines.begin(), out.lines.end(), "unwound "), 0);
    EXPECT_EQ(std::count(out.lines.begin(), out.lines.end(), engine::RunDepthMessage(*self)), 1);
    EXPECT_EQ(std::count(out.lines.begin(), out.lines.end(), "[Statement->\"-call self\"]"), 1);
    EXPECT_EQ(std::count(out.lines.begin(), out.lines.end(), "Abort called."), 1);
    EXPECT_EQ(out.scriptErrors, 1u);
    EXPECT_EQ(self->Env().timesCalled, static_cast<std::uint32_t>(engine::kMaxRunDepth));
    EXPECT_TRUE(session.runningJobs.empty());
}

// Every way a job runs another on the engine thread's stack shares the one limit:
// the runaway ends with one fatal report, one abort, and an empty running stack.
TEST_F(StatementExecutor, EveryPathThatRunsInPlaceStopsAtTheDepthLimit) {
    const std::string someFile = WriteFile("one.txt", "x");
    const std::string selfLoading = Scratch().Path() / "self.jr";
    struct PathCase {
        const char* path;
        std::string statements;
    };
    const PathCase cases[] = {
        {"call", "-action -call self\n"},
        {"return value", "-action -return self\n"},
        {"error handler", "-action -onerror self\n-action -raise\n"},
        {"-if body", "-action -if 1 self\n"},
        {"-while body", "-action -while 1 self\n"},
        {"-foreach body", "-action -foreach -file " + someFile + " F self\n"},
        {"-load -wait of its own file", "-start\n-action -load -wait " + selfLoading + "\n"},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.path);
        Reset();
        const std::string text = "{\n-name self\n" + c.statements + "}\n";
        WriteFile("self.jr", text);
        ASSERT_TRUE(engine::LoadJobScript(session, selfLoading.c_str(), 0));
        Take();
        Job* self = Find("self");
        const std::string message = engine::RunDepthMessage(*self);
        static_cast<void>(Run("self"));
        const Output out = Take();
        EXPECT_EQ(std::count(out.lines.begin(), out.lines.end(), message), 1);
        EXPECT_EQ(std::count(out.lines.begin(), out.lines.end(), "Abort called."), 1);
        EXPECT_EQ(out.scriptErrors, 1u);
        EXPECT_NE(session.flags.load() & static_cast<std::uint32_t>(SF_CLEAR_QUEUE), 0u)
            << "the fatal failure aborts";
        EXPECT_TRUE(session.runningJobs.empty());
    }
}

TEST_F(StatementExecutor, DepthLimitHonoursAControlWordInRuntime) {
    Load("{\n-name self\n-action -call self\n-action -print unwound\n}\n");
    Find("self")->SetVariable("$RUNTIME=continue");
    EXPECT_EQ(Run("self"), engine::RunResult::Continue);
    const Output out = Take();
    EXPECT_EQ(std::count(out.lines.begin(), out.lines.end(), "unwound "), engine::kMaxRunDepth);
    EXPECT_EQ(out.scriptErrors, 1u);

    // A job named in $RUNTIME could not run any deeper either: the run aborts.
    Reset();
    Load("{\n-name self\n-action -call self\n-action -print unwound\n}\n");
    Find("self")->SetVariable("$RUNTIME=self");
    EXPECT_EQ(Run("self"), engine::RunResult::Abort);
    EXPECT_EQ(Take().scriptErrors, 1u);
}

TEST_F(StatementExecutor, TooManyQuotedSeparatorsFailFatally) {
    // Expanded at run time only: the loader splits the same text when it loads.
    Load("{\n-name main\n-action -print \"%OBT_BLANKS%\"\n-action -print after\n}\n");
    env::Set("OBT_BLANKS", std::string(9000, ' '));
    EXPECT_EQ(Run("main"), engine::RunResult::Abort);
    const auto lines = Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], "Too many quoted separators in statement.");
}

} // namespace
} // namespace ob::test
