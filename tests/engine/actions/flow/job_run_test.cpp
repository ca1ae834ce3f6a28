// A job's run and its run control: trigger and stop lines, removal, the run
// results' reactions, and jobs that run themselves in place.

#include "engine/jobs/action_statement.h"
#include "engine/loading/job_loader.h"
#include "engine/scheduling/job_run.h"
#include "engine/session/engine_session.h"
#include "flow_fixture.h"
#include "platform/env/environment.h"

#include <type_traits>

namespace ob::test {
namespace {

using engine::Job;

class JobRun : public FlowTest {
protected:
    std::size_t QueueSize() {
        engine::SessionLock lock(session);
        return session.jobs.Size();
    }
};

TEST_F(JobRun, BareStopRemovesTheJobAfterItsRunWithItsTriggerLine) {
    struct Case {
        const char* level;
        bool internal;
        std::vector<std::string> lines;
    };
    const std::string when = ": " + NowLong() + ".";
    const std::string file = Scratch() / "jobs1.jr";
    const Case cases[] = {
        {"0", false, {"ran ", "Trigger:once" + when, "--Stop triggered, removing job."}},
        {"20", false, {"ran "}}, // bit 32 mutes trigger lines
        {"80",
         false,
         {"ran ", "Trigger:" + file + "::once" + when, "--Stop triggered, removing job."}},
        {"0", true, {"ran "}}, // an internal job's lines are level-1 messages
        {"21", true, {"ran ", "[Trigger:once" + when + "]", "[--Stop triggered, removing job.]"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.level) + (c.internal ? " internal" : ""));
        Reset();
        SetOutputLevel(c.level);
        // Every case writes the same file name, so the 0x80 form can be checked.
        const std::string path = WriteFile("jobs1.jr", "{\n-name once\n-start\n-stop\n"
                                                       "-action -print ran\n}\n");
        ASSERT_TRUE(
            engine::LoadJobScript(session, path.c_str(), c.internal ? engine::LOAD_INTERNAL : 0));
        Take();
        EXPECT_EQ(Run("once"), engine::RunResult::Continue);
        EXPECT_EQ(Lines(), c.lines);
        EXPECT_EQ(QueueSize(), 0u);
    }
}

// The results are types of their own: an outcome handed where a run result or a
// step result is expected does not compile, nor does a bare number.
static_assert(!std::is_convertible_v<engine::Outcome, engine::RunResult>);
static_assert(!std::is_convertible_v<engine::RunResult, engine::Outcome>);
static_assert(!std::is_convertible_v<int, engine::RunResult>);
static_assert(!std::is_invocable_v<decltype(&engine::RunControl), engine::EngineSession&,
                                   engine::Job&, engine::Outcome>);
static_assert(std::is_invocable_r_v<engine::StepResult, decltype(&engine::RunControl),
                                    engine::EngineSession&, engine::Job&, engine::RunResult>);

TEST_F(JobRun, RunControlReactsToEachRunResult) {
    struct Case {
        engine::RunResult runResult;
        bool expired;
        bool clearing;
        engine::StepResult step;
        std::vector<std::string> lines;
        bool staysQueued;
    };
    const std::string trigger = "Trigger:job: " + NowLong() + ".";
    const Case cases[] = {
        {engine::RunResult::Continue, false, false, engine::StepResult::Next, {}, true},
        {engine::RunResult::Break,
         false,
         false,
         engine::StepResult::NextAfterRemoval,
         {"[Breaking]"},
         true},
        {engine::RunResult::Stop,
         false,
         false,
         engine::StepResult::NextAfterRemoval,
         {"[Stopping]", trigger, "--Stop triggered, removing job."},
         false},
        {engine::RunResult::Abort,
         false,
         false,
         engine::StepResult::EndPass,
         {"[Aborting]", "Abort called."},
         true},
        {engine::RunResult::JobDeleted,
         false,
         false,
         engine::StepResult::NextAfterRemoval,
         {"[Job deleted. Synchronizing.]"},
         true},
        {engine::RunResult::Continue,
         true,
         false,
         engine::StepResult::NextAfterRemoval,
         {"[Removing expired job.]"},
         false},
        {engine::RunResult::Abort,
         true,
         false,
         engine::StepResult::NextAfterRemoval,
         {"[Removing expired job.]"},
         false},
        {engine::RunResult::Break, false, true, engine::StepResult::EndPass, {}, true},
    };
    SetOutputLevel("4");
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.runResult));
        Reset();
        Load("{\n-name job\n-action -print x\n}\n");
        Job* job = Find("job");
        if (c.expired) {
            job->SetFlags(engine::JF_EXPIRED);
        }
        if (c.clearing) {
            session.flags.fetch_or(SF_CLEAR_QUEUE);
        }
        EXPECT_EQ(engine::RunControl(session, *job, c.runResult), c.step);
        EXPECT_EQ(Lines(), c.lines);
        EXPECT_EQ(QueueSize(), c.staysQueued ? 1u : 0u);
        EXPECT_EQ((session.flags.load() & SF_CLEAR_QUEUE) != 0,
                  (c.runResult == engine::RunResult::Abort && !c.expired) || c.clearing);
    }
}

TEST_F(JobRun, RunSkipsDoneStatementsCountsItselfAndLeavesTheStackEmpty) {
    Load("{\n-name job\n-action -print one\n-action -print two\n-action -print three\n}\n");
    Job* job = Find("job");
    job->Statements()[2]->flags |= engine::STF_DONE;
    EXPECT_EQ(engine::RunJob(session, nullptr, *job), engine::RunResult::Continue);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"one ", "three "}));
    EXPECT_EQ(job->Env().timesCalled, 1u);
    EXPECT_TRUE(session.runningJobs.empty());

    session.flags.fetch_or(SF_CLEAR_QUEUE);
    EXPECT_EQ(engine::RunJob(session, nullptr, *job), engine::RunResult::Continue);
    EXPECT_TRUE(Lines().empty()) << "nothing runs while the queue is being cleared";
}

TEST_F(JobRun, CalledJobIsStoppedByItsOwnStopStatementAndTheCallerGoesOn) {
    Load("{\n-name sub\n-stop\n-action -print in sub\n}\n"
         "{\n-name main\n-action -call sub\n-action -print after\n}\n");
    EXPECT_EQ(Run("main"), engine::RunResult::Continue);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"in sub ", "Trigger:sub: " + NowLong() + ".",
                                                 "--Stop triggered, removing job.", "after "}));
    EXPECT_EQ(Find("sub"), nullptr);
    EXPECT_NE(Find("main"), nullptr);
}

TEST_F(JobRun, JobThatStopsInsideItsOwnRunLeavesOnlyWhenItsOutermostRunEnds) {
    // Three nested runs of one job; the innermost stops it. Deleting it there would
    // free it under the two runs still executing its statements.
    SetOutputLevel("4");
    env::Set("OBT_DEPTH", "0");
    Load("{\n-name rec\n-action -set -eval OBT_DEPTH=%OBT_DEPTH%+1\n"
         "-action -if %OBT_DEPTH%<3 rec\n-action -print level %OBT_DEPTH%\n"
         "-action -return stop\n}\n");
    EXPECT_EQ(Run("rec"), engine::RunResult::Stop);
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           "level 3 ",
                           "[Stopping]",
                           "Trigger:rec: " + NowLong() + ".",
                           "--Stop triggered, removing job.",
                           "[Removing expired job.]",
                           "[Removing expired job.]",
                       }));
    EXPECT_EQ(QueueSize(), 0u);
    EXPECT_TRUE(session.runningJobs.empty());
}

} // namespace
} // namespace ob::test
