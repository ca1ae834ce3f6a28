// One run of a job's actions and what follows it: the run control that keeps,
// removes or stops the job, or ends the pass. Used by the scheduler for a job whose
// start statement fired, and by the statement executor for a job run in place.
// Engine thread only.
#pragma once

#include "engine/jobs/job.h"
#include "engine/jobs/time_statement.h"
#include "engine/scheduling/run_result.h"

namespace ob::engine {

struct EngineSession;

/// Runs the job's action statements: pushes it on the running-job stack (most
/// recent first), counts the run, executes each action that is not STF_DONE until
/// one gives a non-zero run result or SF_CLEAR_QUEUE is set, and pops it again.
/// Returns that run result (Continue, Break, Stop, Abort), or JobDeleted when the
/// job left the queue during the run. `runContext` (may be null) is the start
/// statement whose firing began the run; it is handed to every statement.
RunResult RunJob(EngineSession& session, TimeStatement* runContext, Job& job);

/// Applies a run result to the job: "Breaking", "Stopping" (the job is removed as
/// stopped), "Aborting" with "Abort called." (SF_CLEAR_QUEUE is set), "Job deleted.
/// Synchronizing."; then the job's stop statements. Returns the step result of the
/// pass. The job may be gone afterwards.
StepResult RunControl(EngineSession& session, Job& job, RunResult runResult);

/// The trigger line again, "--Stop triggered, removing job.", and the job's
/// removal. A job that is still running further out on the stack (it ran itself in
/// place) is marked expired instead, and leaves the queue when its outer run ends.
void RemoveAsStopped(EngineSession& session, Job& job);

/// "Trigger:NAME: TIME." ("Trigger:FILE::NAME: TIME." with level bit 128), TIME the
/// current time in the long "%#c" form: a level-1 system message for an internal
/// job, else printed unless level bit 32 mutes it.
void TriggerLine(EngineSession& session, Job& job);

/// Removes a job at the end of its run: deletes it, or marks it expired while an
/// outer run of the same job is still on the running-job stack (deleting it then
/// would free it under that run).
void RemoveFinishedJob(EngineSession& session, Job& job);

} // namespace ob::engine
