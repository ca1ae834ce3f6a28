// Cron expressions into AT jobs: the time of day, the day masks and the refusals.
#include "OBCoreLib/at/cron_job_conversion.h"

#include <gtest/gtest.h>

#include <string>

namespace ob::at {
namespace {

struct Converted {
    const char* expression;
    std::uint32_t jobTime;
    std::uint32_t monthDays;
    std::uint8_t weekdays;
};

TEST(CronJobConversion, GivesTimeOfDayAndDayMasks) {
    const Converted cases[] = {
        {"30 2 * * *", 9000000, kAllMonthDays, kAllWeekdays},
        {"  30\t2   *  _ *  ", 9000000, kAllMonthDays, kAllWeekdays},
        {"30 2 _ * _ * */5", 9000000, 0, 0}, // wildcards restrict nothing
        {"0 8 _ _ 2-6", 28800000, 0, 0x1F},  // Monday to Friday
        {"0 8 _ _ 1", 28800000, 0, 0x40},    // Sunday is bit 6
        {"0 8 _ _ 7", 28800000, 0, 0x20},    // Saturday is bit 5
        {"0 8 _ _ _", 28800000, 0, 0},       // no days: the next 08:00
        {"0,30 8-9 5,10-12 _ _", 28800000, (1u << 4) | (7u << 9), 0},
        {"5 6 1 _ _ _ _ 15", 21915000, 1, 0},        // a second field
        {"5 6 1 _ _ _ _ _", 21900000, 1, 0},         // an absent second field
        {"\"0\" \"8\" \"1,2\" _ _", 28800000, 3, 0}, // quoted fields
        {"59 23 31 _ 1", 86340000, 1u << 30, 0x40},
        {"0 8 32 _ 2", 28800000, 0, 0x01}, // a day that never comes beside a real one
    };
    for (const Converted& c : cases) {
        AtJobRecord job;
        ASSERT_EQ(ConvertCronToAtJob(c.expression, 0, "cmd", job), CronConversion::Converted)
            << c.expression;
        EXPECT_EQ(job.jobTime, c.jobTime) << c.expression;
        EXPECT_EQ(job.daysOfMonth, c.monthDays) << c.expression;
        EXPECT_EQ(job.daysOfWeek, c.weekdays) << c.expression;
        EXPECT_EQ(job.flags, JOB_NONINTERACTIVE) << c.expression;
        EXPECT_EQ(job.command, "cmd");
    }
}

TEST(CronJobConversion, InteractiveJobsLackTheNonInteractiveFlag) {
    AtJobRecord job;
    ASSERT_EQ(ConvertCronToAtJob("0 8 _ _ _", NCP_INTERACTIVE | 0x100, "a \"b\"\nc", job),
              CronConversion::Converted);
    EXPECT_EQ(job.flags, 0);
    EXPECT_EQ(job.command, "a \"b\"\nc");
}

TEST(CronJobConversion, RefusesExpressionsThatGiveNoJob) {
    const std::pair<std::string, CronConversion> cases[] = {
        {"", CronConversion::FieldCount},
        {"0 8 * *", CronConversion::FieldCount},
        {"0 8 * _ * _ _ 0 1", CronConversion::FieldCount},
        {"0 8 * 1 *", CronConversion::DateFieldPresent},
        {"0 8 * _ * 1995", CronConversion::DateFieldPresent},
        {"0 8 * _ * _ 73", CronConversion::DateFieldPresent},
        {"* 8 * _ *", CronConversion::TimeNotNumber},
        {"0 _ * _ *", CronConversion::TimeNotNumber},
        {"0 8 * _ * _ _ *", CronConversion::TimeNotNumber},
        {"60 2 * _ *", CronConversion::TimeOutOfRange},
        {"0 24 * _ *", CronConversion::TimeOutOfRange},
        {"0 8 * _ * _ _ 60", CronConversion::TimeOutOfRange},
        {"99999999999 8 * _ *", CronConversion::TimeOutOfRange},
        {"0 8 32 _ _", CronConversion::NoDay},
        {"0 8 _ _ 9", CronConversion::NoDay},
        {"0 8 0 _ 8-9", CronConversion::NoDay},
        {"0 8 x _ _", CronConversion::NoDay},
        {std::string(1024, '1'), CronConversion::TooLong},
    };
    for (const auto& [expression, expected] : cases) {
        AtJobRecord job;
        job.command = "untouched";
        EXPECT_EQ(ConvertCronToAtJob(expression, 0, "cmd", job), expected) << expression;
        EXPECT_EQ(job.command, "untouched");
    }
}

} // namespace
} // namespace ob::at
