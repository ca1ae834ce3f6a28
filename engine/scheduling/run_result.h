// What a job's run and one step of a scheduler pass end with. A run result comes
// from the statement executor (one statement) and from a job's run (its first
// result other than Continue); the step result tells the pass how to go on.
// Internal to the engine; any thread.
#pragma once

namespace ob::engine {

enum class [[nodiscard]] RunResult{
    Continue = 0,   ///< go on with the next statement; the job stays
    Break = 1,      ///< end this run; the job stays
    Stop = 2,       ///< end this run and remove the job as stopped
    Abort = 3,      ///< end the pass and clear the whole queue
    JobDeleted = 4, ///< the job left the queue while it ran (only from a job's run)
};

enum class [[nodiscard]] StepResult{
    Next = 0,             ///< go on with the next job
    EndPass = 1,          ///< end the pass
    NextAfterRemoval = 2, ///< go on with the next job after a removal, break or deletion
};

} // namespace ob::engine
