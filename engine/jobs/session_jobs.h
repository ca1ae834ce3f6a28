// Operations on a session's job queue. Each takes the session lock for its list
// operations; deletion runs on the engine thread.
#pragma once

#include "engine/jobs/job.h"

#include <memory>
#include <string_view>

namespace ob::engine {

struct EngineSession;

/// Appends a job at the tail of the queue (under the session lock).
void AddJob(EngineSession& session, std::unique_ptr<Job> job);

/// The first queued job, not expired, whose expanded name the regular expression
/// `pattern` matches anywhere; null when none does or the pattern does not compile.
Job* FindJobByName(EngineSession& session, std::string_view pattern);

/// Marks every queued job whose expanded name equals `name` (without regard to
/// case) expired; the scheduler removes them at its next visit.
void ExpireNamesakes(EngineSession& session, const std::string& name);

/// Deletes a queued job: its windows are asked to close (EM_CLOSE_WINDOWS with the
/// job, sent to the engine thread's windows at once on the engine thread, posted to
/// it from another), then it leaves the queue and is freed. False when it is not
/// queued.
bool DeleteJob(EngineSession& session, Job* job);

/// Ends a job as the console's `kill` does: one whose actions are executing further
/// up the engine thread's stack is marked expired and leaves when its run ends (it
/// must not be freed under them); any other is deleted. Engine thread. False when it
/// is not queued.
bool KillJob(EngineSession& session, Job* job);

} // namespace ob::engine
