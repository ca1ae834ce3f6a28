// Testing a time statement against the current time, and advancing a repeating
// start past it.
#include "engine/scheduling/cron_statement.h"
#include "engine/scheduling/time_specification.h"
#include "engine/scheduling/whole_seconds.h"
#include "engine/session/output.h"
#include "platform/time/ole_date.h"

#include <string>

namespace ob::engine {
namespace {

using datetime::OleDate;
using datetime::OleDateSpan;

constexpr std::uint32_t kTraceLevel = 128;
constexpr std::uint32_t kRescheduleBit = 8;
constexpr long kSecondsPerDay = 86400;

std::string Traced(std::string_view label, const OleDate& date) {
    std::string text(label);
    text.append(date.Format("%#X")).append(")");
    return text;
}

int CronCheck(TimeStatement& statement, bool commit) {
    const auto found = CronStatementFields::Find(statement.Text(), std::nullopt);
    if (!found) {
        return 0;
    }
    const OleDate now = OleDate::Now();
    statement.cron.time = now.Value();
    const common::CronFields fields = found->Fields();
    if (common::CronEvaluator(statement.cron, fields) != 1) {
        return 0;
    }
    if (commit) {
        statement.lastFire = now;
        NextCronTimeFromFields(statement, fields);
    }
    return 1;
}

// Reschedule's work; false when the next time could not be advanced.
bool Advance(EngineSession& session, TimeStatement& statement) {
    if (!statement.next.IsValid() || (statement.flags & STF_CRON) != 0) {
        SystemMessage(session, "Can't sync and invalid or CRON time", kRescheduleBit);
        return false;
    }
    const long increment = statement.increment.GetStatus() == datetime::Status::Valid
                               ? statement.increment.TotalSeconds()
                               : 0;
    // Only a positive increment moves forwards; a negative one (the obsolete
    // "-action -inc" accepts any numbers) is refused like a zero one.
    if (increment <= 0) {
        SystemMessage(session, "Can't sync zero span", kRescheduleBit);
        return false;
    }
    // The first occurrence later than now, found in one step rather than by adding
    // the increment once per missed occurrence.
    const OleDate now = OleDate::Now();
    const long behind = SecondsBetween(now, statement.next).value_or(-1);
    OleDate next = statement.next;
    if (behind >= 0) {
        const long steps = behind / increment + 1;
        const double seconds = static_cast<double>(steps) * static_cast<double>(increment);
        next = WholeSeconds(next + OleDateSpan(seconds / kSecondsPerDay));
    }
    if (!next.IsValid()) {
        SystemMessage(session, "Can't sync and invalid or CRON time", kRescheduleBit);
        return false;
    }
    statement.next = next;
    SystemMessage(session, "Rescheduled:unknown: for " + next.Format("%#c") + ".", kRescheduleBit);
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
int SnoozedCronCheck(TimeStatement& statement, bool commit) {
    const std::optional<long> behind = SecondsBetween(OleDate::Now(), statement.next);
    if (!behind || *behind < 0) {
        return CronCheck(statement, commit);
    }
    if (commit) {
        statement.lastFire = statement.next;
        EndSnooze(statement);
    }
    return 1;
}

} // namespace

void Reschedule(EngineSession& session, TimeStatement& statement) {
    Advance(session, statement);
}

int TimeCheck(EngineSession& session, Job& /*job*/, TimeStatement& statement, bool commit) {
    if ((statement.flags & STF_CRON) != 0) {
        return statement.snoozed ? SnoozedCronCheck(statement, commit)
                                 : CronCheck(statement, commit);
    }
    const OleDate now = OleDate::Now();
    const bool isStart = statement.Kind() == KIND_START;
    const std::optional<long> behind = SecondsBetween(now, statement.next);
    const bool due = behind && *behind >= 0;
    const bool tracing = (OutputLevel() & kTraceLevel) != 0;
    if (tracing && (isStart || statement.Kind() == KIND_STOP)) {
        const char* when = isStart ? "Start::When(" : "Stop::When(";
        const char* nowLabel = isStart ? "Start::Now(" : "Stop::Now(";
        SystemMessage(session, Traced(when, statement.next) + " " + Traced(nowLabel, now), 1);
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
        if (statement.increment.Days() != 0.0 && Advance(session, statement)) {
            statement.flags &= ~STF_FIRED;
        }
    }
    if (tracing && isStart) {
        SystemMessage(session, Traced("Start::Next(", statement.next), kRescheduleBit);
    }
    return result;
}

int TimeCheckWrapped(EngineSession& session, Job& job, TimeStatement& statement, bool commit) {
    int result = TimeCheck(session, job, statement, commit);
    if ((statement.flags & STF_EXCEPT) != 0) {
        result = result == 1 ? 0 : 1;
    }
    if (result == 1 && (statement.flags & STF_ONCE) != 0) {
        job.SetFlags(JF_EXPIRED);
    }
    return result;
}

} // namespace ob::engine
