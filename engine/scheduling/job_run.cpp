#include "engine/scheduling/job_run.h"

#include "engine/actions/action_context.h"
#include "engine/actions/statement_executor.h"
#include "engine/jobs/action_statement.h"
#include "engine/jobs/session_jobs.h"
#include "engine/scheduling/start_test.h"
#include "engine/session/engine_messages.h"
#include "engine/session/engine_session.h"
#include "engine/session/output.h"
#include "platform/diagnostics/assert.h"
#include "platform/time/ole_date.h"

#include <algorithm>
#include <string>

namespace ob::engine {
namespace {

bool ClearRequested(const EngineSession& session) {
    return (session.flags.load() & SF_CLEAR_QUEUE) != 0;
}

bool Queued(EngineSession& session, const Job& job) {
    SessionLock lock(session);
    return session.jobs.Contains(&job);
}

bool OnRunningStack(const EngineSession& session, const Job& job) {
    return std::find(session.runningJobs.begin(), session.runningJobs.end(), &job) !=
           session.runningJobs.end();
}

// The next action statement at or after `index`, or null at the end of the list.
// The list is read under the session lock, which guards every queued job's list.
ActionStatement* NextAction(EngineSession& session, Job& job, std::size_t& index) {
    SessionLock lock(session);
    const auto& statements = job.Statements();
    for (; index < statements.size(); ++index) {
        if (statements[index]->Kind() == KIND_ACTION) {
            return static_cast<ActionStatement*>(statements[index].get());
        }
    }
    return nullptr;
}

// True when one of the job's stop statements holds now.
bool StopTestHolds(EngineSession& session, Job& job) {
    SessionScheduleContext context(session);
    bool expire = false;
    const bool holds = StopHolds(context, job.Statements(), TickTime::Current(), expire);
    if (expire) {
        job.SetFlags(JF_EXPIRED);
    }
    return holds;
}

// A run-control line: level-1 system message for internal jobs, else printed
// unless level bit 32 mutes trigger lines.
void RunControlLine(EngineSession& session, const Job& job, const std::string& text) {
    if (job.TestFlags(JF_INTERNAL)) {
        SystemMessage(session, text, LEVEL_INTERNAL);
    } else {
        PrintUnlessMuted(session, text, LEVEL_MUTE_TRIGGERS);
    }
}

} // namespace

RunResult RunJob(EngineSession& session, TimeStatement* runContext, Job& job) {
    session.runningJobs.insert(session.runningJobs.begin(), &job);
    OB_ASSERT(session.runningJobs.size() <= static_cast<std::size_t>(kMaxRunDepth));
    job.BeginRun();
    RunResult result = RunResult::Continue;
    bool left = false;
    // Index 0 is the environment statement, never an action.
    for (std::size_t index = 1;; ++index) {
        if (ClearRequested(session)) {
            break;
        }
        ActionStatement* statement = NextAction(session, job, index);
        if (statement == nullptr) {
            break;
        }
        if ((statement->flags & STF_DONE) != 0) {
            continue;
        }
        result = ExecuteStatement(session, runContext, *statement, job);
        // A job that left the queue may have been freed with it: none of its
        // statements may be touched any more.
        if (!Queued(session, job)) {
            left = true;
            break;
        }
        if (result != RunResult::Continue) {
            break;
        }
    }
    if (left || !Queued(session, job)) {
        result = RunResult::JobDeleted;
    } else {
        job.EndRun();
    }
    // Runs nest: the job that ends is the one most recently pushed.
    OB_ASSERT(!session.runningJobs.empty() && session.runningJobs.front() == &job);
    session.runningJobs.erase(session.runningJobs.begin());
    return result;
}

StepResult RunControl(EngineSession& session, Job& job, RunResult runResult) {
    if (ClearRequested(session) || !Queued(session, job)) {
        return StepResult::EndPass;
    }
    if (job.TestFlags(JF_EXPIRED)) {
        SystemMessage(session, "Removing expired job.", LEVEL_RUN_CONTROL);
        RemoveFinishedJob(session, job);
        return StepResult::NextAfterRemoval;
    }
    StepResult step = StepResult::Next;
    switch (runResult) {
    case RunResult::Break:
        SystemMessage(session, "Breaking", LEVEL_RUN_CONTROL);
        step = StepResult::NextAfterRemoval;
        break;
    case RunResult::Stop:
        SystemMessage(session, "Stopping", LEVEL_RUN_CONTROL);
        RemoveAsStopped(session, job);
        return StepResult::NextAfterRemoval;
    case RunResult::Abort:
        SystemMessage(session, "Aborting", LEVEL_RUN_CONTROL);
        PrintText(session, "Abort called.", true);
        session.flags.fetch_or(SF_CLEAR_QUEUE);
        step = StepResult::EndPass;
        break;
    case RunResult::JobDeleted:
        SystemMessage(session, "Job deleted. Synchronizing.", LEVEL_RUN_CONTROL);
        step = StepResult::NextAfterRemoval;
        break;
    case RunResult::Continue:
        break;
    }
    if (!job.TestFlags(JF_EXPIRED) && Queued(session, job) && StopTestHolds(session, job)) {
        RemoveAsStopped(session, job);
        return StepResult::NextAfterRemoval;
    }
    return step;
}

void RemoveAsStopped(EngineSession& session, Job& job) {
    TriggerLine(session, job);
    RunControlLine(session, job, "--Stop triggered, removing job.");
    RemoveFinishedJob(session, job);
}

void TriggerLine(EngineSession& session, Job& job) {
    const std::string name = job.Name();
    const std::string now = LongTimeNow();
    std::string line = "Trigger:";
    if ((OutputLevel() & LEVEL_DEBUG) != 0) {
        line += job.GetVariable("$FILENAME").value_or("(null)");
        line += "::";
    }
    line += name + ": " + now + ".";
    RunControlLine(session, job, line);
}

void RemoveFinishedJob(EngineSession& session, Job& job) {
    if (OnRunningStack(session, job)) {
        job.SetFlags(JF_EXPIRED);
        return;
    }
    DeleteJob(session, &job);
}

} // namespace ob::engine
