// A time statement: -start, -stop, -suspend, -resume, or the match statement of an
// "-action -match". Its expression sets the next time, an increment (repeating
// starts), a constrain window, flags, or cron fields with their state.
#pragma once

#include "common/cron/cron_context.h"
#include "engine/jobs/statement.h"
#include "platform/time/ole_date.h"

#include <optional>

namespace ob::engine {

class TimeStatement final : public Statement {
public:
    /// A statement of one of the time kinds (0, 1, 5, 6, 7): every date and span
    /// at 0, the last fire time invalid, the cron state fresh at `now`.
    TimeStatement(std::uint32_t kindValue, const datetime::OleDate& now);

    std::uint32_t Kind() const override { return kindValue_; }

    datetime::OleDate lastFire;
    datetime::OleDate next;
    datetime::OleDateSpan increment;
    datetime::OleDateSpan constrain;
    common::CronContext cron;

    /// Set by a reminder's Snooze on a start statement: `next` holds the snoozed
    /// time, at which the statement fires once more (a cron statement too); then a
    /// repeating statement goes back to its regular time `resumeNext`, so that a
    /// snooze does not shift the schedule.
    bool snoozed = false;
    std::optional<datetime::OleDate> resumeNext;

private:
    std::uint32_t kindValue_;
};

} // namespace ob::engine
