// The outcome of one directive: how the statement executor goes on. Every outcome
// but Done consults a control variable of the job, which names what happens next
// (a control word or a job to run in place). Internal to the engine; any thread.
#pragma once

namespace ob::engine {

enum class [[nodiscard]] Outcome{
    Done = 0,        ///< run result Continue, no control variable
    SoftFailure = 1, ///< consults $ONERROR (default "continue")
    Call = 2,        ///< consults $CALL (default "continue")
    Return = 3,      ///< consults $RETURN (default "continue")
    Fatal = 4,       ///< consults $RUNTIME (default "abort")
};

} // namespace ob::engine
