#include "engine/scheduling/scheduler.h"

#include "engine/history/run_history.h"
#include "engine/jobs/action_statement.h"
#include "engine/jobs/session_jobs.h"
#include "engine/scheduling/job_run.h"
#include "engine/scheduling/start_test.h"
#include "engine/scheduling/time_specification.h"
#include "engine/session/engine_messages.h"
#include "engine/session/engine_session.h"
#include "engine/session/event_poster.h"
#include "engine/session/output.h"
#include "platform/diagnostics/assert.h"

#include <algorithm>
#include <string>

namespace ob::engine {
namespace {

bool ClearRequested(const EngineSession& session) {
    return (session.flags.load() & SF_CLEAR_QUEUE) != 0;
}

// The queue position of `job`, or `fallback` when it left the queue. The search
// starts at `fallback`, where the job almost always is, so a pass stays linear.
std::size_t PositionOf(const EngineSession& session, const Job* job, std::size_t fallback) {
    OB_ASSERT(session.lock.OwnedByCurrentThread());
    const std::size_t size = session.jobs.Size();
    if (!session.jobs.Contains(job)) {
        return fallback;
    }
    for (std::size_t i = std::min(fallback, size); i < size; ++i) {
        if (session.jobs.At(i) == job) {
            return i;
        }
    }
    for (std::size_t i = 0; i < std::min(fallback, size); ++i) {
        if (session.jobs.At(i) == job) {
            return i;
        }
    }
    return fallback;
}

// Walks the queue; true when jobs with a start statement are left. The job after
// the current one is remembered before the current one runs, so that the walk goes
// on correctly when a job removes itself or others, and reaches jobs that a run
// appends.
bool RunPass(EngineSession& session) {
    std::size_t position = 0;
    for (;;) {
        Job* job = nullptr;
        Job* next = nullptr;
        {
            SessionLock lock(session);
            if (position >= session.jobs.Size()) {
                break;
            }
            job = session.jobs.At(position);
            next = position + 1 < session.jobs.Size() ? session.jobs.At(position + 1) : nullptr;
        }
        if (ClearRequested(session)) {
            break;
        }
        if (ProcessOneJob(session, job) == StepResult::EndPass) {
            break;
        }
        SessionLock lock(session);
        if (next != nullptr) {
            position = PositionOf(session, next, position);
        } else if (session.jobs.Contains(job)) {
            position = PositionOf(session, job, position) + 1;
        }
    }
    SessionLock lock(session);
    return !ClearRequested(session) && session.jobs.CountWithStart() > 0;
}

bool StillQueued(EngineSession& session, const Job* job) {
    SessionLock lock(session);
    return session.jobs.Contains(job);
}

// The first start statement that fires now, or null. Due repeating starts are
// rescheduled by the test itself, so a skipped or suspended occurrence is lost.
TimeStatement* StartTest(EngineSession& session, Job& job) {
    SessionScheduleContext context(session);
    const StartDecision decision = DecideStart(context, job.Statements(), TickTime::Current());
    if (decision.expire) {
        job.SetFlags(JF_EXPIRED);
    }
    return decision.fired;
}

} // namespace

StepResult ProcessOneJob(EngineSession& session, Job* job) {
    {
        SessionLock lock(session);
        if (ClearRequested(session) || !session.jobs.Contains(job)) {
            return StepResult::EndPass;
        }
    }
    if (job->TestFlags(JF_EXPIRED)) {
        SystemMessage(session, "Removing expired job.", LEVEL_RUN_CONTROL);
        DeleteJob(session, job);
        return StepResult::NextAfterRemoval;
    }
    TimeStatement* fired = StartTest(session, *job);
    if (fired == nullptr || !StillQueued(session, job)) {
        return StepResult::Next;
    }
    TriggerLine(session, *job);
    RunRecording recording(session, *job);
    const RunResult result = RunJob(session, fired, *job);
    recording.Finish(result);
    return RunControl(session, *job, result);
}

void Tick(EngineSession& session) {
    ReportHistoryProblems(session);
    const std::uint32_t flags = session.flags.load();
    if ((flags & SF_ENABLED) != 0 && (flags & SF_TICK_BUSY) == 0 &&
        session.stepState.load() != StepState::Paused) {
        session.flags.fetch_or(SF_TICK_BUSY);
        if (!RunPass(session)) {
            PostEvent(session, OB_EV_NOTIFY, OB_NOTIFY_IDLE);
        }
        session.flags.fetch_and(~SF_TICK_BUSY);
        session.stepState.store(session.stepMode.load() == StepMode::SingleStep
                                    ? StepState::Paused
                                    : StepState::Running);
    }
    if (ClearRequested(session)) {
        for (;;) {
            SessionLock lock(session);
            if (session.jobs.Size() == 0) {
                break;
            }
            DeleteJob(session, session.jobs.At(0));
        }
        session.flags.fetch_and(~SF_CLEAR_QUEUE);
    }
}

void TimeChange(EngineSession& session) {
    unsigned reset = 0;
    {
        SessionLock lock(session);
        for (std::size_t i = 0; i < session.jobs.Size(); ++i) {
            for (const auto& statement : session.jobs.At(i)->Statements()) {
                TimeStatement* time = nullptr;
                switch (statement->Kind()) {
                case KIND_START:
                case KIND_STOP:
                case KIND_SUSPEND:
                case KIND_RESUME:
                    time = static_cast<TimeStatement*>(statement.get());
                    break;
                case KIND_ACTION:
                    time = static_cast<ActionStatement*>(statement.get())->match.get();
                    break;
                default:
                    break;
                }
                if (time != nullptr && ReevaluateSpecification(session, *time)) {
                    ++reset;
                }
            }
        }
    }
    SystemMessage(session, std::to_string(reset) + " Time trigger(s) reset due to time change.",
                  LEVEL_RESCHEDULE);
}

} // namespace ob::engine
