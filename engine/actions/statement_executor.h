// Executing action statements: split, dispatch on the directive, and turn the
// directive's outcome into a run result through the job's control variables
// ($ONERROR, $CALL, $RETURN, $RUNTIME). Engine thread only.
#pragma once

#include "engine/actions/action_context.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace ob::engine {

/// Most jobs on the running-job stack: the scheduler's run and every run nested
/// in it on the engine thread's stack (calls, handlers, -if/-while/-foreach
/// bodies, the step of -load -wait). A run beyond that is refused: the statement
/// that asked for it fails fatally with RunDepthMessage, so a job that runs itself,
/// directly or through others or by loading its own file, ends with a clear message
/// instead of exhausting the stack.
inline constexpr std::size_t kMaxRunDepth = 64;

/// True while one more job may run nested on the session's running-job stack.
bool RunDepthLeft(const EngineSession& session);

/// The fatal failure's message for a run of `job` refused at the depth limit.
std::string RunDepthMessage(const Job& job);

/// One statement of a job's run; its run result (0 continue, 1 break, 2 stop,
/// 3 abort, or 4 from a job run in place that left the queue).
RunResult ExecuteStatement(EngineSession& session, TimeStatement* runContext,
                           ActionStatement& statement, Job& job);

/// The directive of one statement; its outcome (0..4).
Outcome Dispatch(ActionContext& context);

/// Runs a job's actions in place (the scheduler's job run and run control) on the
/// calling thread; its run result. The job may have left the queue afterwards. At
/// the depth limit the job does not run: the statement executing now fails fatally
/// and its $RUNTIME control word is the result (a job named there aborts).
RunResult RunJobInPlace(EngineSession& session, TimeStatement* runContext, Job& job);

/// Turns a control value ("continue", "break", "stop", "abort", or a job name
/// pattern run in place) into a run result.
RunResult ApplyControlValue(EngineSession& session, TimeStatement* runContext,
                            std::string_view value);

} // namespace ob::engine
