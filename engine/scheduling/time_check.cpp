// Testing a time statement against a moment, and advancing a repeating start past
// it.
#include "common/cron/next_cron_time.h"
#include "engine/scheduling/cron_statement.h"
#include "engine/scheduling/time_specification.h"
#include "engine/scheduling/whole_seconds.h"
#include "platform/time/ole_date.h"

#include <string>

namespace ob::engine {
namespace {

using datetime::OleDate;
using datetime::OleDateSpan;

constexpr std::uint32_t kTraceLevel = 128;
constexpr std::uint32_t kRescheduleBit = 8;
constexpr long kSecondsPerDay = 86400;
constexpr long kSecondsPerMinute = 60;

std::string Traced(std::string_view label, const OleDate& date) {
    std::string text(label);
    text.append(date.Format("%#X")).append(")");
    return text;
}

// The wall-clock time a cron state last fired at; invalid when it has not fired
// since it was made.
OleDate LastCronFiring(const common::CronContext& cron) {
    if (cron.mask == 0) {
        return OleDate::InvalidDate();
    }
    return OleDate::FromParts(cron.year, cron.month, cron.day, cron.hour, cron.minute, cron.second);
}

// Asks the evaluator at `moment`; the state keeps the instant it was asked about.
bool CronFiresAt(TimeStatement& statement, const common::CronFields& fields, double moment) {
    statement.cron.time = moment;
    return common::CronEvaluator(statement.cron, fields) == 1;
}

// The skipped wall-clock times fire as one: the last of them at which the fields
// match, when it is later than the last firing, is asked on the statement's own
// state (so that a later tick finds it fired).
bool CronFiresInSkippedSpan(TimeStatement& statement, const common::CronFields& fields,
                            const datetime::SkippedSpan& skipped) {
    const OleDate last = LastCronFiring(statement.cron);
    const long seconds = SecondsBetween(skipped.to, skipped.from).value_or(0);
    for (long k = (seconds + kSecondsPerMinute - 1) / kSecondsPerMinute - 1; k >= 0; --k) {
        const double candidate = common::CronCandidate(skipped.from.Value(), k);
        if (last.IsValid() && OleDate(candidate) <= last) {
            return false;
        }
        common::CronContext probe = statement.cron;
        probe.time = candidate;
        if (common::CronEvaluator(probe, fields) == 1) {
            statement.cron = probe;
            return true;
        }
    }
    return false;
}

int CronCheck(ScheduleContext& context, TimeStatement& statement, const TickTime& tick,
              bool commit) {
    const CronStatementFields* found = context.CronFieldsOf(statement);
    if (found == nullptr) {
        return 0;
    }
    const common::CronFields fields = found->Fields();
    // A wall-clock time up to the last firing is shown again only when the clock
    // went back (summer time ended): it fired at its first occurrence.
    const OleDate last = LastCronFiring(statement.cron);
    if (last.IsValid() && tick.now <= last) {
        statement.cron.time = tick.now.Value();
        return 0;
    }
    bool fires = CronFiresAt(statement, fields, tick.now.Value());
    if (!fires && tick.skipped) {
        // The minutes the clock skipped count as part of the first minute after
        // the change: a time among them fires now, once.
        fires = CronFiresInSkippedSpan(statement, fields, *tick.skipped);
        statement.cron.time = tick.now.Value();
    }
    if (!fires) {
        return 0;
    }
    if (commit) {
        statement.lastFire = tick.now;
        NextCronTimeFromFields(statement, fields, tick.now);
    }
    return 1;
}

// Reschedule's work; false when the next time could not be advanced.
bool Advance(ScheduleContext& context, TimeStatement& statement, const OleDate& now) {
    if (!statement.next.IsValid() || (statement.flags & STF_CRON) != 0) {
        context.Note("Can't sync and invalid or CRON time", kRescheduleBit);
        return false;
    }
    const long increment = statement.increment.GetStatus() == datetime::Status::Valid
                               ? statement.increment.TotalSeconds()
                               : 0;
    // Only a positive increment moves forwards; a negative one (the obsolete
    // "-action -inc" accepts any numbers) is refused like a zero one.
    if (increment <= 0) {
        context.Note("Can't sync zero span", kRescheduleBit);
        return false;
    }
    // The first occurrence later than now, found in one step rather than by adding
    // the increment once per missed occurrence.
    const long behind = SecondsBetween(now, statement.next).value_or(-1);
    OleDate next = statement.next;
    if (behind >= 0) {
        const long steps = behind / increment + 1;
        const double seconds = static_cast<double>(steps) * static_cast<double>(increment);
        next = WholeSeconds(next + OleDateSpan(seconds / kSecondsPerDay));
    }
    if (!next.IsValid()) {
        context.Note("Can't sync and invalid or CRON time", kRescheduleBit);
        return false;
    }
    statement.next = next;
    if (context.Shows(kRescheduleBit)) {
        context.Note("Rescheduled:unknown: for " + next.Format("%#c") + ".", kRescheduleBit);
    }
    return true;
}

// A snoozed start that has fired: a repeating one returns to its regular time
// before it is advanced.
void EndSnooze(TimeStatement& statement) {
    if (statement.snoozed && statement.resumeNext) {
        statement.next = *statement.resumeNext;
    }
    statement.snoozed = false;
    statement.resumeNext.reset();
}

// A snoozed cron statement fires at its snoozed time besides its fields.
int SnoozedCronCheck(ScheduleContext& context, TimeStatement& statement, const TickTime& tick,
                     bool commit) {
    const std::optional<long> behind = SecondsBetween(tick.now, statement.next);
    if (!behind || *behind < 0) {
        return CronCheck(context, statement, tick, commit);
    }
    if (commit) {
        statement.lastFire = statement.next;
        EndSnooze(statement);
        // A snoozed time inside a minute the fields match is that minute's firing:
        // the fields must not fire it again a second later.
        if (const CronStatementFields* found = context.CronFieldsOf(statement)) {
            CronFiresAt(statement, found->Fields(), tick.now.Value());
        }
    }
    return 1;
}

} // namespace

int CheckTime(ScheduleContext& context, TimeStatement& statement, const TickTime& tick,
              bool commit) {
    if ((statement.flags & STF_CRON) != 0) {
        return statement.snoozed ? SnoozedCronCheck(context, statement, tick, commit)
                                 : CronCheck(context, statement, tick, commit);
    }
    const OleDate& now = tick.now;
    const bool isStart = statement.Kind() == KIND_START;
    const std::optional<long> behind = SecondsBetween(now, statement.next);
    const bool due = behind && *behind >= 0;
    const bool tracing = (isStart || statement.Kind() == KIND_STOP) && context.Shows(kTraceLevel);
    if (tracing) {
        const char* when = isStart ? "Start::When(" : "Stop::When(";
        const char* nowLabel = isStart ? "Start::Now(" : "Stop::Now(";
        context.Note(Traced(when, statement.next) + " " + Traced(nowLabel, now), 1);
    }

    int result = due ? 1 : 0;
    // A start missed by more than its window does not fire.
    const long window = statement.constrain.TotalSeconds();
    if (window != 0 && behind && *behind > window) {
        result = 0;
    }
    if (isStart && due && commit) {
        if ((statement.flags & STF_FIRED) != 0) {
            result = 0;
        }
        statement.flags |= STF_FIRED;
        statement.lastFire = statement.next;
        EndSnooze(statement);
        if (statement.increment.Days() != 0.0 && Advance(context, statement, now)) {
            statement.flags &= ~STF_FIRED;
        }
    }
    if (tracing && isStart) {
        context.Note(Traced("Start::Next(", statement.next), kRescheduleBit);
    }
    return result;
}

int CheckTimeWrapped(ScheduleContext& context, TimeStatement& statement, const TickTime& tick,
                     bool commit, bool& expire) {
    int result = CheckTime(context, statement, tick, commit);
    if ((statement.flags & STF_EXCEPT) != 0) {
        result = result == 1 ? 0 : 1;
    }
    if (result == 1 && (statement.flags & STF_ONCE) != 0) {
        expire = true;
    }
    return result;
}

int TimeCheck(EngineSession& session, Job& /*job*/, TimeStatement& statement, bool commit) {
    SessionScheduleContext context(session);
    return CheckTime(context, statement, TickTime::Current(), commit);
}

int TimeCheckWrapped(EngineSession& session, Job& job, TimeStatement& statement, bool commit) {
    SessionScheduleContext context(session);
    bool expire = false;
    const int result = CheckTimeWrapped(context, statement, TickTime::Current(), commit, expire);
    if (expire) {
        job.SetFlags(JF_EXPIRED);
    }
    return result;
}

void Reschedule(EngineSession& session, TimeStatement& statement) {
    SessionScheduleContext context(session);
    Advance(context, statement, OleDate::Now());
}

} // namespace ob::engine
