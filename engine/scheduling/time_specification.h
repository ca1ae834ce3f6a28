// Time expressions of -start, -stop, -suspend, -resume and "-action -match":
// evaluation into a time statement's fields, the test against a moment,
// rescheduling of repeating starts, cron statements, and skip statements.
//
// The tests take their moment and their surroundings (a ScheduleContext) as
// arguments, so that the scheduler and the schedule preview run the same code;
// the forms that take a session use ob::clock's current time and report to the
// session. Evaluation runs on the loading thread (before the job is queued) or on
// the engine thread; OB_TimeChange re-evaluates under the session lock.
#pragma once

#include "engine/jobs/job.h"
#include "engine/jobs/skip_statement.h"
#include "engine/jobs/time_statement.h"
#include "engine/scheduling/schedule_context.h"
#include "engine/scheduling/tick_time.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ob::engine {

struct EngineSession;

/// Sets the statement's next time, increment, constrain window and flags from its
/// tokens (the statement's arguments split by the tokeniser in mode 1), reading
/// the options from `now`. On an error reports the message with `statementText`
/// to the context and returns false.
bool EvaluateSpecification(ScheduleContext& context, const std::vector<std::string>& tokens,
                           TimeStatement& statement, std::string_view statementText,
                           const datetime::OleDate& now);
/// The same from the current time; errors are printed and 2000/1003 is posted.
bool EvaluateSpecification(EngineSession& session, const std::vector<std::string>& tokens,
                           TimeStatement& statement, std::string_view statementText);

/// Splits the statement's own text again (with variable expansion) and evaluates
/// it; used by the suspend test, the time change and the preview.
bool ReevaluateSpecification(ScheduleContext& context, TimeStatement& statement,
                             const datetime::OleDate& now);
bool ReevaluateSpecification(EngineSession& session, TimeStatement& statement);

/// 1 when the statement's condition holds at `tick`, else 0. With `commit` a due
/// start statement is also advanced (fired once, or rescheduled). A cron statement
/// fires at most once per matching period, never again at a wall-clock time up to
/// the one it last fired at (the clock going back shows those a second time), and
/// its times that the clock skipped fire at the first tick after the change.
int CheckTime(ScheduleContext& context, TimeStatement& statement, const TickTime& tick,
              bool commit);

/// CheckTime with -except (inverts the result) and -once (a result of 1 sets
/// `expire`: the job leaves the queue at the scheduler's next visit).
int CheckTimeWrapped(ScheduleContext& context, TimeStatement& statement, const TickTime& tick,
                     bool commit, bool& expire);

/// CheckTime at the current time, reporting to the session.
int TimeCheck(EngineSession& session, Job& job, TimeStatement& statement, bool commit);

/// CheckTimeWrapped at the current time; -once marks the job JF_EXPIRED.
int TimeCheckWrapped(EngineSession& session, Job& job, TimeStatement& statement, bool commit);

/// Advances a repeating start past now by whole increments (missed occurrences
/// are skipped) and reports it at level bit 8.
void Reschedule(EngineSession& session, TimeStatement& statement);

/// Sets the statement's next time to the next time its cron fields fire after the
/// current time; leaves it unchanged when they never do.
void NextCronTime(TimeStatement& statement);

/// Builds a skip statement from its tokens; on an error prints the message, posts
/// 2000/1003 and returns false.
bool ParseSkip(EngineSession& session, const std::vector<std::string>& tokens,
               SkipStatement& statement, std::string_view statementText);

/// True when a skip statement among `statements` covers the day of `day`.
bool SkippedOn(const std::vector<std::unique_ptr<Statement>>& statements,
               const datetime::OleDate& day);

/// True when a skip statement of the job covers today.
bool SkippedToday(const Job& job);

} // namespace ob::engine
