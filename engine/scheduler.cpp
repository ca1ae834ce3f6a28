#include "engine/scheduler.h"

#include "engine/action_atom.h"
#include "engine/engine_messages.h"
#include "engine/engine_session.h"
#include "engine/event_poster.h"
#include "engine/output.h"
#include "engine/session_jobs.h"
#include "engine/time_specification.h"

#include <string>

namespace ob::engine {
namespace {

bool ClearRequested(const EngineSession& session) {
    return (session.flags.load() & SF_CLEAR_QUEUE) != 0;
}

// Walks the queue; true when jobs with a start statement are left.
bool RunPass(EngineSession& session) {
    for (std::size_t position = 0;;) {
        Job* job = nullptr;
        {
            SessionLock lock(session);
            if (position >= session.jobs.Size()) {
                break;
            }
            job = session.jobs.At(position);
        }
        if (ClearRequested(session)) {
            break;
        }
        const int step = ProcessOneJob(session, job);
        if (step == 1) {
            break;
        }
        // A step that removed the job leaves the next one at the same position.
        SessionLock lock(session);
        if (position < session.jobs.Size() && session.jobs.At(position) == job) {
            ++position;
        }
    }
    SessionLock lock(session);
    return !ClearRequested(session) && session.jobs.CountWithStart() > 0;
}

} // namespace

int ProcessOneJob(EngineSession& session, Job* job) {
    SessionLock lock(session);
    if (ClearRequested(session) || !session.jobs.Contains(job)) {
        return 1;
    }
    // A job fires only through its start statements; jobs built so far hold none
    // that are due, so the job stays as it is.
    return 0;
}

void Tick(EngineSession& session) {
    const std::uint32_t flags = session.flags.load();
    if ((flags & SF_ENABLED) != 0 && (flags & SF_TICK_BUSY) == 0 && session.stepState.load() != 3) {
        session.flags.fetch_or(SF_TICK_BUSY);
        if (!RunPass(session)) {
            PostEvent(session, OB_EV_NOTIFY, OB_NOTIFY_IDLE);
        }
        session.flags.fetch_and(~SF_TICK_BUSY);
        session.stepState.store(session.stepMode.load() == 1 ? 3 : 2);
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
                timeAtom* time = nullptr;
                switch (statement->kind()) {
                case KIND_START:
                case KIND_STOP:
                case KIND_SUSPEND:
                case KIND_RESUME:
                    time = static_cast<timeAtom*>(statement.get());
                    break;
                case KIND_ACTION:
                    time = static_cast<actionAtom*>(statement.get())->match.get();
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
