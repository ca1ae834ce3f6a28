// What a directive works with: the session, the start statement whose firing began
// the run (the run context), the statement being executed, its job, and the
// statement's words (words[0] is the directive). Engine thread only.
#pragma once

#include "engine/actions/outcome.h"
#include "engine/jobs/action_statement.h"
#include "engine/jobs/job.h"
#include "engine/jobs/time_statement.h"
#include "engine/scheduling/run_result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ob::engine {

struct EngineSession;

struct ActionContext {
    EngineSession& session;
    TimeStatement* runContext; ///< may be null (a job run without a firing start statement)
    ActionStatement& statement;
    Job& job;
    const std::vector<std::string>& words;
};

/// OB_GeneralError(message) and outcome 1.
Outcome SoftFailure(ActionContext& context, std::string_view message);

/// The fatal-error report (messages, level-1 diagnostics, core dump, 2000/1003) and
/// outcome 4.
Outcome FatalFailure(ActionContext& context, std::string_view message);

/// FatalFailure("Missing argument for directive \"<words[0]>\"").
Outcome MissingArgument(ActionContext& context);

/// What ran short when a Windows error code says that descriptors ("too many open
/// files") or memory ("not enough memory") ran out; nothing for any other code.
std::optional<std::string> ShortageReason(std::uint32_t error);

/// A statement could not open a resource it needed (`error`: the Windows code of
/// the failure). A shortage of descriptors or memory fails only the statement:
/// "MESSAGE: REASON" is printed and becomes JR.LAST_ERROR, and the outcome is a soft
/// failure, so that a passing shortage never aborts the run and empties the queue.
/// Any other failure is FatalFailure(message).
Outcome ResourceFailure(ActionContext& context, std::string_view message, std::uint32_t error);

/// Writes a process variable (OB_PutEnv with mode 1, or 2 when `persist`); a failed
/// write is ResourceFailure("Unable to set environment variable: \"NAME\"") with
/// the store's error. Returns Outcome::Done on success.
Outcome SetProcessVariable(ActionContext& context, const std::string& name,
                           const std::string& value, bool persist = false);

} // namespace ob::engine
