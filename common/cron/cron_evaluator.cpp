// A whole cron expression matched against the context's time, firing once per
// period of its finest present field.
#include "common/cron/cron_evaluator.h"

#include "common/time_parameter_error.h"

#include <cstddef>

namespace ob::common {
namespace {

// Bits over the calendar values (positions in CronValues order).
constexpr std::uint32_t Part(std::size_t position) {
    return 1u << position;
}
constexpr std::uint32_t kMinutePart = Part(0);
constexpr std::uint32_t kHourPart = Part(1);
constexpr std::uint32_t kDayPart = Part(2);
constexpr std::uint32_t kMonthPart = Part(3);
constexpr std::uint32_t kWeekdayPart = Part(4);
constexpr std::uint32_t kYearPart = Part(5);
constexpr std::uint32_t kYearDayPart = Part(6);
constexpr std::uint32_t kSecondPart = Part(7);

// The calendar values that must all be unchanged since the last firing for a
// present field to still be in the same period, by position.
constexpr std::uint32_t kPeriodParts[8] = {
    kMinutePart | kHourPart | kDayPart | kMonthPart | kYearPart,              // minute
    kHourPart | kDayPart | kMonthPart | kYearPart,                            // hour
    kDayPart | kMonthPart | kYearPart,                                        // day of month
    kMonthPart | kYearPart,                                                   // month
    kWeekdayPart | kYearDayPart | kYearPart,                                  // day of week
    kYearPart,                                                                // year
    kYearDayPart | kYearPart,                                                 // day of year
    kSecondPart | kMinutePart | kHourPart | kDayPart | kMonthPart | kYearPart // second
};

} // namespace

std::uint32_t CronPresenceMask(const CronFields& fields) {
    std::uint32_t mask = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (CronFieldPresent(fields[i])) {
            mask |= kCronFieldBits[i];
        }
    }
    return mask;
}

int CronEvaluator(CronContext& context, const CronFields& fields) {
    if (context.time == 0.0) {
        SetTimeParameterError();
        return -1;
    }
    CronValues values{};
    if (!CronValuesOf(context.time, values)) {
        return 0;
    }
    std::uint32_t mask = 0;
    std::uint32_t periodParts = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (!CronFieldPresent(fields[i])) {
            continue;
        }
        if (CronFieldMatcher(fields[i], values[i]) == 0) {
            return 0;
        }
        mask |= kCronFieldBits[i];
        periodParts |= kPeriodParts[i];
    }
    if (mask == 0) {
        return 0;
    }
    bool fire = mask != context.mask;
    if (!fire) {
        const CronValues stored = StoredValues(context);
        for (std::size_t i = 0; i < values.size(); ++i) {
            if ((periodParts & Part(i)) != 0 && values[i] != stored[i]) {
                fire = true;
                break;
            }
        }
    }
    if (!fire) {
        return 0;
    }
    context.mask = mask;
    StoreValues(context, values);
    return 1;
}

} // namespace ob::common
