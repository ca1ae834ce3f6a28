#include "OBCoreLib/at/job_time_text.h"

#include <cmath>
#include <optional>

namespace ob::at {
namespace {

using datetime::DateParts;
using datetime::OleDate;
using datetime::OleDateSpan;

OleDate Midnight(const OleDate& moment) {
    return OleDate(std::floor(moment.Value()));
}

// The first day from `today` (a midnight) within `days` days that `selects`.
template <typename Select>
std::optional<OleDate> FirstDay(const OleDate& today, int days, Select selects) {
    for (int offset = 0; offset < days; ++offset) {
        const OleDate date = today + OleDateSpan(static_cast<double>(offset));
        DateParts parts;
        if (date.GetParts(parts) && selects(parts)) {
            return date;
        }
    }
    return std::nullopt;
}

std::optional<OleDate> SearchedDate(const AtJobRecord& job, const OleDate& today) {
    const auto byMonthDay = FirstDay(today, 31, [&](const DateParts& day) {
        return (job.daysOfMonth & (1u << (day.day - 1))) != 0;
    });
    const auto byWeekday = FirstDay(today, 7, [&](const DateParts& day) {
        return (job.daysOfWeek & WeekdayBit(day.dayOfWeek)) != 0;
    });
    if (byMonthDay && byWeekday) {
        return *byWeekday < *byMonthDay ? byWeekday : byMonthDay;
    }
    return byMonthDay ? byMonthDay : byWeekday;
}

} // namespace

std::string JobTimeText(const AtJobRecord& job, const OleDate& today) {
    const std::string time =
        OleDate(static_cast<double>(job.jobTime % kDayMilliseconds) / kDayMilliseconds).Format();
    if (job.daysOfMonth == 0 && job.daysOfWeek == 0) {
        return time;
    }
    const std::optional<OleDate> date =
        job.nextRun ? Midnight(*job.nextRun) : SearchedDate(job, Midnight(today));
    if (!date) {
        return time;
    }
    return date->Format() + " " + time;
}

} // namespace ob::at
