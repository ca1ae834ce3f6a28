// Executing action statements: split, dispatch on the directive, and turn the
// directive's outcome into a run result through the job's control variables
// ($ONERROR, $CALL, $RETURN, $RUNTIME). Engine thread only.
#pragma once

#include "engine/actions/action_context.h"

#include <string_view>

namespace ob::engine {

/// Most jobs on the running-job stack: the scheduler's run and the in-place runs
/// nested in it. A run beyond that is refused: the statement that asked for it
/// fails fatally with "Job call depth exceeded: \"NAME\"", so a job that calls
/// itself ends with a clear message instead of exhausting the stack.
inline constexpr int kMaxRunDepth = 64;

/// One statement of a job's run; its run result (0 continue, 1 break, 2 stop,
/// 3 abort, or 4 from a job run in place that left the queue).
RunResult ExecuteStatement(EngineSession& session, TimeStatement* runContext,
                           ActionStatement& statement, Job& job);

/// The directive of one statement; its outcome (0..4).
Outcome Dispatch(ActionContext& context);

/// Runs a job's actions in place (the scheduler's job run and run control) on the
/// calling thread; its run result. The job may have left the queue afterwards.
RunResult RunJobInPlace(EngineSession& session, TimeStatement* runContext, Job& job);

/// Turns a control value ("continue", "break", "stop", "abort", or a job name
/// pattern run in place) into a run result.
RunResult ApplyControlValue(EngineSession& session, TimeStatement* runContext,
                            std::string_view value);

} // namespace ob::engine
