// What a directive works with: the session, the start statement whose firing began
// the run (the run context), the statement being executed, its job, and the
// statement's words (words[0] is the directive). Engine thread only.
#pragma once

#include "engine/jobs/action_statement.h"
#include "engine/jobs/job.h"
#include "engine/jobs/time_statement.h"

#include <string>
#include <string_view>
#include <vector>

namespace ob::engine {

struct EngineSession;

// Directive outcomes.
inline constexpr int OUTCOME_DONE = 0;
inline constexpr int OUTCOME_SOFT_FAILURE = 1; ///< consults $ONERROR (default "continue")
inline constexpr int OUTCOME_CALL = 2;         ///< consults $CALL (default "continue")
inline constexpr int OUTCOME_RETURN = 3;       ///< consults $RETURN (default "continue")
inline constexpr int OUTCOME_FATAL = 4;        ///< consults $RUNTIME (default "abort")

// Run results of a statement and of a job's run.
inline constexpr int RUN_CONTINUE = 0;
inline constexpr int RUN_BREAK = 1;
inline constexpr int RUN_STOP = 2;
inline constexpr int RUN_ABORT = 3;
inline constexpr int RUN_JOB_DELETED = 4;

struct ActionContext {
    EngineSession& session;
    TimeStatement* runContext; ///< may be null (a job run without a firing start statement)
    ActionStatement& statement;
    Job& job;
    const std::vector<std::string>& words;
};

/// OB_GeneralError(message) and outcome 1.
int SoftFailure(ActionContext& context, std::string_view message);

/// The fatal-error report (messages, level-1 diagnostics, core dump, 2000/1003) and
/// outcome 4.
int FatalFailure(ActionContext& context, std::string_view message);

/// FatalFailure("Missing argument for directive \"<words[0]>\"").
int MissingArgument(ActionContext& context);

/// Writes a process variable (OB_PutEnv with mode 1, or 2 when `persist`); a failed
/// write is FatalFailure("Unable to set environment variable: \"NAME\""). Returns
/// OUTCOME_DONE on success.
int SetProcessVariable(ActionContext& context, const std::string& name, const std::string& value,
                       bool persist = false);

} // namespace ob::engine
