// The next time a five-field cron expression (minute, hour, day of month, month,
// day of week) fires after a given moment.
//
// The search asks CronEvaluator minute by minute on a copy of the context, starting
// at `from` (its seconds kept). It skips whole hours and days that cannot match
// without changing the answer, and gives up after the 400-year Gregorian cycle,
// after which no new combination of day of month, month and day of week can occur.
#pragma once

#include "common/cron/cron_context.h"
#include "common/cron/cron_evaluator.h"

#include <optional>

namespace ob::common {

/// Minutes in the 400-year Gregorian cycle: the bound of NextCronTime's search.
inline constexpr long kCronSearchMinutes = 146097L * 1440L;

/// Candidate k of a search from `from`: from + k/1440, computed from `from` each
/// time (never by adding minutes one after another), so that every search visits
/// the very same doubles. A minute is 1/1440 of a day of wall-clock time.
inline double CronCandidate(double from, long k) {
    return from + static_cast<double>(k) / 1440.0;
}

/// The first candidate at or after `from` (an OLE date) at which the evaluator
/// fires for `fields` (positions 1-5; the others absent) on a copy of `state`;
/// nothing when there is none within 400 years. `state` itself is not changed.
/// A result of -1 from the evaluator (a candidate of exactly 0.0) ends the search
/// with nothing, as it does for the plain walk below. Any thread.
std::optional<double> NextCronTime(const CronContext& state, const CronFields& fields, double from);

/// NextCronTime with its own bound: only the candidates 0 .. maxMinutes - 1.
std::optional<double> NextCronTimeWithin(const CronContext& state, const CronFields& fields,
                                         double from, long maxMinutes);

/// The same search done plainly minute by minute over the candidates
/// 0 .. maxMinutes - 1, asking the evaluator at each one (for tests and as a
/// reference: NextCronTimeWithin gives the same answer for every input).
std::optional<double> NextCronTimeByMinutes(const CronContext& state, const CronFields& fields,
                                            double from, long maxMinutes);

} // namespace ob::common
