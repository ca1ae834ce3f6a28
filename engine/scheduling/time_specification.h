// Time expressions of -start, -stop, -suspend, -resume and "-action -match":
// evaluation into a time statement's fields, the test against the current time,
// rescheduling of repeating starts, cron statements, and skip statements.
//
// "Now" comes from ob::clock. Evaluation runs on the loading thread (before the
// job is queued) or on the engine thread; OB_TimeChange re-evaluates under the
// session lock.
#pragma once

#include "engine/jobs/job.h"
#include "engine/jobs/skip_statement.h"
#include "engine/jobs/time_statement.h"

#include <string>
#include <string_view>
#include <vector>

namespace ob::engine {

struct EngineSession;

/// Sets the statement's next time, increment, constrain window and flags from its
/// tokens (the statement's arguments split by the tokeniser in mode 1). On an error
/// prints the message with `statementText`, posts 2000/1003 and returns false.
bool EvaluateSpecification(EngineSession& session, const std::vector<std::string>& tokens,
                           TimeStatement& statement, std::string_view statementText);

/// Splits the statement's own text again (with variable expansion) and evaluates
/// it; used by the suspend test and the time change.
bool ReevaluateSpecification(EngineSession& session, TimeStatement& statement);

/// 1 when the statement's condition holds now, else 0. With `commit` a due start
/// statement is also advanced (fired once, or rescheduled).
int TimeCheck(EngineSession& session, Job& job, TimeStatement& statement, bool commit);

/// TimeCheck with -except (inverts) and -once (a result of 1 expires the job).
int TimeCheckWrapped(EngineSession& session, Job& job, TimeStatement& statement, bool commit);

/// Advances a repeating start past now by whole increments (missed occurrences
/// are skipped) and reports it at level bit 8.
void Reschedule(EngineSession& session, TimeStatement& statement);

/// Sets the statement's next time to the next time its cron fields fire; leaves it
/// unchanged when they never do.
void NextCronTime(TimeStatement& statement);

/// Builds a skip statement from its tokens; on an error prints the message, posts
/// 2000/1003 and returns false.
bool ParseSkip(EngineSession& session, const std::vector<std::string>& tokens,
               SkipStatement& statement, std::string_view statementText);

/// True when a skip statement of the job covers today.
bool SkippedToday(const Job& job);

} // namespace ob::engine
