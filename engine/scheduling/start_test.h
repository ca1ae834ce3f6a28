// The scheduler's decisions about one job at one tick, apart from running it:
// which start statement fires (the start test, with the skip and suspend tests)
// and whether a stop statement holds after a run. They change only the job's time
// statements and report -once through `expire`, so the scheduler (on the job's own
// statements) and the schedule preview (on copies) take the very same decisions.
// The engine thread for a queued job's statements; any thread for copies.
#pragma once

#include "engine/jobs/statement.h"
#include "engine/jobs/time_statement.h"
#include "engine/scheduling/schedule_context.h"
#include "engine/scheduling/tick_time.h"

#include <memory>
#include <vector>

namespace ob::engine {

using StatementList = std::vector<std::unique_ptr<Statement>>;

struct StartDecision {
    /// The start statement that fires, or null.
    TimeStatement* fired = nullptr;
    /// A -once condition held: the job leaves the queue at the scheduler's next visit.
    bool expire = false;
};

/// Tests the start statements in order (each due one is committed: fired or
/// rescheduled); the first that holds on a day that is not skipped while the job
/// is not suspended fires. A skipped or suspended occurrence is lost, not deferred.
StartDecision DecideStart(ScheduleContext& context, const StatementList& statements,
                          const TickTime& tick);

/// True when more suspend than resume statements hold at `tick`, each evaluated
/// afresh from that moment first; false as soon as one fails to evaluate.
bool SuspendedAt(ScheduleContext& context, const StatementList& statements, const TickTime& tick,
                 bool& expire);

/// True when one of the stop statements holds at `tick`.
bool StopHolds(ScheduleContext& context, const StatementList& statements, const TickTime& tick,
               bool& expire);

} // namespace ob::engine
