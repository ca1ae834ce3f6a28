// The scheduler: one tick a second on the engine thread.
#pragma once

#include "engine/scheduling/run_result.h"

#include <cstdint>

namespace ob::engine {

struct EngineSession;

class Job;

/// One tick (engine thread): a pass over the queue when the session is enabled and
/// not paused, then the queue clear that SF_CLEAR_QUEUE asks for.
void Tick(EngineSession& session);

/// One step of a pass for one job (engine thread; also for EM_RUN_JOB).
StepResult ProcessOneJob(EngineSession& session, Job* job);

/// Re-evaluates every time trigger after a change of the system time (caller's
/// thread, under the session lock) and reports how many were reset.
void TimeChange(EngineSession& session);

} // namespace ob::engine
