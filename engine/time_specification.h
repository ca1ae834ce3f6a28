// Time expressions of -start, -stop, -suspend, -resume and "-action -match":
// evaluation into a time statement's fields, the test against the current time,
// rescheduling of repeating starts, cron statements, and skip statements.
//
// "Now" comes from ob::clock. Evaluation runs on the loading thread (before the
// job is queued) or on the engine thread; OB_TimeChange re-evaluates under the
// session lock.
#pragma once

#include "engine/job.h"
#include "engine/skip_atom.h"
#include "engine/time_atom.h"

#include <string>
#include <string_view>
#include <vector>

struct EngineSession;

namespace ob::engine {

/// Sets the statement's next time, increment, constrain window and flags from its
/// tokens (the statement's arguments split by the tokeniser in mode 1). On an error
/// prints the message with `statementText`, posts 2000/1003 and returns false.
bool EvaluateSpecification(EngineSession& session, const std::vector<std::string>& tokens,
                           timeAtom& statement, std::string_view statementText);

/// Splits the statement's own text again (with variable expansion) and evaluates
/// it; used by the suspend test and the time change.
bool ReevaluateSpecification(EngineSession& session, timeAtom& statement);

/// 1 when the statement's condition holds now, else 0. With `commit` a due start
/// statement is also advanced (fired once, or rescheduled).
int TimeCheck(EngineSession& session, Job& job, timeAtom& statement, bool commit);

/// TimeCheck with -except (inverts) and -once (a result of 1 expires the job).
int TimeCheckWrapped(EngineSession& session, Job& job, timeAtom& statement, bool commit);

/// Advances a repeating start past now by whole increments (missed occurrences
/// are skipped) and reports it at level bit 8.
void Reschedule(EngineSession& session, timeAtom& statement);

/// Sets the statement's next time to the next time its cron fields fire; leaves it
/// unchanged when they never do.
void NextCronTime(timeAtom& statement);

/// Builds a skip statement from its tokens; on an error prints the message, posts
/// 2000/1003 and returns false.
bool ParseSkip(EngineSession& session, const std::vector<std::string>& tokens, skipAtom& statement,
               std::string_view statementText);

/// True when a skip statement of the job covers today.
bool SkippedToday(const Job& job);

} // namespace ob::engine
