#include "engine/jobs/session_jobs.h"

#include "common/regex/regex_program.h"
#include "engine/session/engine_messages.h"
#include "engine/session/engine_session.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/window.h"
#include "platform/text/ascii_case.h"

#include <algorithm>

namespace ob::engine {

void AddJob(EngineSession& session, std::unique_ptr<Job> job) {
    SessionLock lock(session);
    session.jobs.Append(std::move(job));
}

Job* FindJobByName(EngineSession& session, std::string_view pattern) {
    auto program = common::CompileRegex(pattern);
    if (!program) {
        return nullptr;
    }
    SessionLock lock(session);
    for (std::size_t i = 0; i < session.jobs.Size(); ++i) {
        Job* job = session.jobs.At(i);
        if (!job->TestFlags(JF_EXPIRED) && common::MatchRegex(program.get(), job->Name()) == 1) {
            return job;
        }
    }
    return nullptr;
}

void ExpireNamesakes(EngineSession& session, const std::string& name) {
    SessionLock lock(session);
    for (std::size_t i = 0; i < session.jobs.Size(); ++i) {
        Job* job = session.jobs.At(i);
        if (text::EqualsIgnoringCase(job->Name(), name)) {
            job->SetFlags(JF_EXPIRED);
        }
    }
}

bool DeleteJob(EngineSession& session, Job* job) {
    {
        SessionLock lock(session);
        if (!session.jobs.Contains(job)) {
            return false;
        }
    }
    const auto lParam = reinterpret_cast<msg::LPARAM>(job);
    if (msg::GetCurrentThreadId() == session.engineThreadId) {
        // The job's windows (its reminders) hold on to it: they close before it goes,
        // not when a posted message arrives after it has been freed.
        msg::EnumThreadWindows(session.engineThreadId, [lParam](msg::Hwnd hwnd) {
            msg::SendMessage(hwnd, EM_CLOSE_WINDOWS, 0, lParam);
            return true;
        });
    } else {
        msg::PostThreadMessage(session.engineThreadId, EM_CLOSE_WINDOWS, 0, lParam);
    }
    SessionLock lock(session);
    return session.jobs.Remove(job);
}

bool KillJob(EngineSession& session, Job* job) {
    const auto& running = session.runningJobs;
    if (std::find(running.begin(), running.end(), job) == running.end()) {
        return DeleteJob(session, job);
    }
    SessionLock lock(session);
    if (!session.jobs.Contains(job)) {
        return false;
    }
    job->SetFlags(JF_EXPIRED);
    return true;
}

} // namespace ob::engine
