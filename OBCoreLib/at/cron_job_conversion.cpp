#include "OBCoreLib/at/cron_job_conversion.h"

#include "OBCoreLib/cron/cron_fields.h"
#include "common/cron/cron_evaluator.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace ob::at {
namespace {

// Field positions (0-based) of the expression.
constexpr std::size_t kMinute = 0;
constexpr std::size_t kHour = 1;
constexpr std::size_t kMonthDay = 2;
constexpr std::size_t kMonth = 3;
constexpr std::size_t kWeekday = 4;
constexpr std::size_t kYear = 5;
constexpr std::size_t kYearDay = 6;
constexpr std::size_t kSecond = 7;

bool Present(const std::vector<std::string>& fields, std::size_t position) {
    return position < fields.size() && common::CronFieldPresent(fields[position].c_str());
}

// A month, year or day-of-year field restricts nothing when absent or a wildcard.
bool Restricts(const std::vector<std::string>& fields, std::size_t position) {
    return Present(fields, position) && fields[position][0] != '*';
}

bool StartsWithDigit(const std::string& field) {
    return !field.empty() && std::isdigit(static_cast<unsigned char>(field[0])) != 0;
}

// The leading decimal number of a field that starts with a digit, capped above any
// value a time field may take.
int LeadingNumber(const std::string& field) {
    int value = 0;
    for (const char c : field) {
        if (std::isdigit(static_cast<unsigned char>(c)) == 0) {
            break;
        }
        value = std::min(value * 10 + (c - '0'), 1000);
    }
    return value;
}

std::uint32_t MonthDayMask(const std::string& field) {
    std::uint32_t mask = 0;
    for (int day = 1; day <= 31; ++day) {
        if (common::CronFieldMatcher(field.c_str(), day) != 0) {
            mask |= 1u << (day - 1);
        }
    }
    return mask;
}

// Cron weekdays count 1 = Sunday .. 7 = Saturday.
std::uint8_t WeekdayMask(const std::string& field) {
    std::uint8_t mask = 0;
    for (int weekday = 1; weekday <= 7; ++weekday) {
        if (common::CronFieldMatcher(field.c_str(), weekday) != 0) {
            mask |= WeekdayBit(weekday - 1);
        }
    }
    return mask;
}

} // namespace

CronConversion ConvertCronToAtJob(std::string_view expression, std::uint32_t methodFlags,
                                  std::string_view command, AtJobRecord& job) {
    if (expression.size() > kMaxCronText) {
        return CronConversion::TooLong;
    }
    const std::vector<std::string> fields = corelib::SplitCronFields(expression);
    if (fields.size() < 5 || fields.size() > 8) {
        return CronConversion::FieldCount;
    }
    if (Restricts(fields, kMonth) || Restricts(fields, kYear) || Restricts(fields, kYearDay)) {
        return CronConversion::DateFieldPresent;
    }
    const bool withSecond = Present(fields, kSecond);
    if (!StartsWithDigit(fields[kMinute]) || !StartsWithDigit(fields[kHour]) ||
        (withSecond && !StartsWithDigit(fields[kSecond]))) {
        return CronConversion::TimeNotNumber;
    }
    const int minute = LeadingNumber(fields[kMinute]);
    const int hour = LeadingNumber(fields[kHour]);
    const int second = withSecond ? LeadingNumber(fields[kSecond]) : 0;
    if (minute > 59 || hour > 23 || second > 59) {
        return CronConversion::TimeOutOfRange;
    }
    const bool monthDayGiven = Present(fields, kMonthDay);
    const bool weekdayGiven = Present(fields, kWeekday);
    const std::uint32_t monthDays = monthDayGiven ? MonthDayMask(fields[kMonthDay]) : 0;
    const std::uint8_t weekdays = weekdayGiven ? WeekdayMask(fields[kWeekday]) : 0;
    if ((monthDayGiven || weekdayGiven) && monthDays == 0 && weekdays == 0) {
        return CronConversion::NoDay;
    }
    job = AtJobRecord{};
    job.jobTime = static_cast<std::uint32_t>((hour * 3600 + minute * 60 + second) * 1000);
    job.daysOfMonth = monthDays;
    job.daysOfWeek = weekdays;
    job.flags = (methodFlags & NCP_INTERACTIVE) != 0 ? 0 : JOB_NONINTERACTIVE;
    job.command = std::string(command);
    return CronConversion::Converted;
}

} // namespace ob::at
