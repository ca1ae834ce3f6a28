#include "OBCoreLib/at/run_moments.h"

namespace ob::at {
namespace {

using datetime::DateParts;
using datetime::OleDate;
using datetime::OleDateSpan;

// The run on the day `offset` days after `today` (a midnight), or nothing when
// that day does not exist in the calendar range.
bool RunOnDay(const OleDate& today, int offset, std::uint32_t jobTime, OleDate& run,
              DateParts& day) {
    const OleDate date = today + OleDateSpan(static_cast<double>(offset));
    if (!date.GetParts(day)) {
        return false;
    }
    const auto seconds = static_cast<int>(jobTime / 1000);
    run = OleDate::FromParts(day.year, day.month, day.day, seconds / 3600, seconds / 60 % 60,
                             seconds % 60);
    return run.IsValid();
}

} // namespace

std::vector<OleDate> RunMoments(const AtJobRecord& job, const OleDate& now) {
    std::vector<OleDate> runs;
    DateParts current;
    if (job.jobTime >= kDayMilliseconds || !now.GetParts(current)) {
        return runs;
    }
    const OleDate today = OleDate::FromParts(current.year, current.month, current.day);
    const int nowMinute = current.hour * 60 + current.minute;
    const auto jobMinute = static_cast<int>(job.jobTime / 60000);
    const int firstDay = jobMinute < nowMinute ? 1 : 0;

    const bool anyDay = job.daysOfMonth == 0 && job.daysOfWeek == 0;
    std::uint32_t monthDaysLeft = job.daysOfMonth & kAllMonthDays;
    std::uint8_t weekdaysLeft = job.daysOfWeek & kAllWeekdays;
    for (int offset = firstDay; offset <= firstDay + kMonthDayHorizon; ++offset) {
        if (!anyDay && monthDaysLeft == 0 && weekdaysLeft == 0) {
            break;
        }
        OleDate run;
        DateParts day;
        if (!RunOnDay(today, offset, job.jobTime, run, day)) {
            break;
        }
        const std::uint32_t monthDayBit = 1u << (day.day - 1);
        const std::uint8_t weekdayBit = WeekdayBit(day.dayOfWeek);
        if (anyDay || (monthDaysLeft & monthDayBit) != 0 || (weekdaysLeft & weekdayBit) != 0) {
            runs.push_back(run);
            monthDaysLeft &= ~monthDayBit;
            weekdaysLeft = static_cast<std::uint8_t>(weekdaysLeft & ~weekdayBit);
            if (anyDay) {
                break;
            }
        }
    }
    return runs;
}

} // namespace ob::at
