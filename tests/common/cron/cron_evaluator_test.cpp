#include "common/cron/cron_evaluator.h"

#include "cron_test_support.h"
#include "platform/env/environment.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

using ob::common::CronContext;
using ob::common::CronEvaluator;
using ob::test::At;
using ob::test::FieldList;
using ob::test::kMinute;
using ob::test::kSecond;

class CronEvaluatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ob::test::UseScratchStores(scratch_);
        ob::env::Remove("RS.LastError");
    }
    void TearDown() override { ob::env::Remove("RS.LastError"); }

    // Evaluates `fields` from `start` every `step` (days) for `count` steps on a context
    // created at `start`; returns the moments it fired at, as "M/D hh:mm:ss".
    static std::vector<std::string> Fires(const FieldList& fields, double start, double step,
                                          long count) {
        CronContext context = CronContext::Fresh(start);
        std::vector<std::string> fired;
        for (long i = 0; i < count; ++i) {
            context.time = start + static_cast<double>(i) * step;
            const int result = CronEvaluator(context, fields.Fields());
            EXPECT_GE(result, 0);
            if (result == 1) {
                fired.push_back(ob::datetime::OleDate(context.time).Format("%#m/%#d %H:%M:%S"));
            }
        }
        return fired;
    }

    ob::test::ScratchDir scratch_;
};

TEST_F(CronEvaluatorTest, FreshContextHoldsTheCalendarPartsOfItsMoment) {
    const double moment = At(2024, 3, 10, 13, 14, 15); // a Sunday, day 70 of a leap year
    const CronContext c = CronContext::Fresh(moment);
    EXPECT_EQ(c.time, moment);
    EXPECT_EQ(c.mask, 0u);
    EXPECT_EQ(c.minute, 14);
    EXPECT_EQ(c.hour, 13);
    EXPECT_EQ(c.day, 10);
    EXPECT_EQ(c.month, 3);
    EXPECT_EQ(c.dayOfWeek, 1);
    EXPECT_EQ(c.year, 2024);
    EXPECT_EQ(c.dayOfYear, 70);
    EXPECT_EQ(c.second, 15);

    const CronContext undated = CronContext::Fresh(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(undated.mask, 0u);
    EXPECT_EQ(undated.year, 0);
    EXPECT_EQ(undated.dayOfWeek, 0);
}

// Scenarios evaluated over a stretch of time, as a scheduler testing them would.
TEST_F(CronEvaluatorTest, FiresOncePerPeriodOfItsFinestField) {
    const double monday = At(2024, 1, 1); // 1 January 2024 is a Monday
    struct Scenario {
        const char* name;
        FieldList fields;
        double start;
        double step;
        long count;
        std::vector<std::string> fired;
    };
    const Scenario scenarios[] = {
        {"five wildcards, every second for three minutes",
         FieldList{"*", "*", "*", "*", "*"},
         At(2024, 1, 1, 10, 0, 0),
         kSecond,
         180,
         {"1/1 10:00:00", "1/1 10:01:00", "1/1 10:02:00"}},
        {"five wildcards starting in the middle of a minute",
         FieldList{"*", "*", "*", "*", "*"},
         At(2024, 1, 1, 10, 0, 40),
         kSecond,
         90,
         {"1/1 10:00:40", "1/1 10:01:00", "1/1 10:02:00"}},
        {"0 9 * * 2-6 every 30 seconds for a week",
         FieldList{"0", "9", "*", "*", "2-6"},
         monday,
         30 * kSecond,
         7 * 2880,
         {"1/1 09:00:00", "1/2 09:00:00", "1/3 09:00:00", "1/4 09:00:00", "1/5 09:00:00"}},
        {"0 9 * * 2-6 every second from Friday to Monday",
         FieldList{"0", "9", "*", "*", "2-6"},
         At(2024, 1, 5),
         kSecond,
         4 * 86400,
         {"1/5 09:00:00", "1/8 09:00:00"}},
        {"0 9 * * 2-6 first tested at 09:00:30",
         FieldList{"0", "9", "*", "*", "2-6"},
         At(2024, 1, 2, 9, 0, 30),
         kSecond,
         86400,
         {"1/2 09:00:30", "1/3 09:00:00"}},
        {"_ _ _ _ 1 every ten minutes for three weeks",
         FieldList{"_", "_", "_", "_", "1"},
         monday,
         10 * kMinute,
         21 * 144,
         {"1/7 00:00:00", "1/14 00:00:00", "1/21 00:00:00"}},
        {"30 * * * * _ _ 0 every second for three hours",
         FieldList{"30", "*", "*", "*", "*", "_", "_", "0"},
         At(2024, 1, 1, 10, 0, 0),
         kSecond,
         3 * 3600,
         {"1/1 10:30:00", "1/1 11:30:00", "1/1 12:30:00"}},
        {"*/5 is a wildcard",
         FieldList{"*/5", "10", "1", "1", "*"},
         At(2024, 1, 1, 10, 0, 0),
         kMinute,
         3,
         {"1/1 10:00:00", "1/1 10:01:00", "1/1 10:02:00"}},
        {"5* never matches",
         FieldList{"5*", "*", "*", "*", "*"},
         At(2024, 1, 1, 10, 0, 0),
         kMinute,
         180,
         {}},
        {"12- and a letter never match",
         FieldList{"*", "12-", "*", "*", "x"},
         At(2024, 1, 1),
         kMinute,
         2880,
         {}},
        {"day 31 of February never matches",
         FieldList{"*", "*", "31", "2", "*"},
         At(2024, 2, 1),
         10 * kMinute,
         30 * 144,
         {}},
        {"1-3,7 in the hour field",
         FieldList{"0", "1-3,7", "*", "*", "*"},
         monday,
         kMinute,
         1440,
         {"1/1 01:00:00", "1/1 02:00:00", "1/1 03:00:00", "1/1 07:00:00"}},
        {"3-1 in the hour field", FieldList{"0", "3-1", "*", "*", "*"}, monday, kMinute, 1440, {}},
        {"a trailing comma still matches the items before it",
         FieldList{"15,", "8", "*", "*", "*"},
         monday,
         kMinute,
         1440,
         {"1/1 08:15:00"}},
        {"year and day of year fields",
         FieldList{"0", "0", "_", "_", "_", "2024", "60"},
         monday,
         kMinute * 60,
         24 * 366,
         {"2/29 00:00:00"}},
        {"month alone fires once a month",
         FieldList{"_", "_", "_", "*"},
         At(2024, 1, 15),
         kMinute * 60,
         24 * 60,
         {"1/15 00:00:00", "2/1 00:00:00", "3/1 00:00:00"}},
    };
    for (const Scenario& s : scenarios) {
        EXPECT_EQ(Fires(s.fields, s.start, s.step, s.count), s.fired) << s.name;
    }
}

// After a firing at `fired`, whether an evaluation at `later` fires again, for each
// field present alone (every value matches; only the period decides).
TEST_F(CronEvaluatorTest, PeriodOfEachField) {
    const double fired = At(2024, 1, 1, 10, 20, 30); // Monday, day 1
    struct Case {
        int position;
        double later;
        int expected;
    };
    const Case cases[] = {
        {0, fired + 29 * kSecond, 0},         // minute: same minute
        {0, At(2024, 1, 1, 10, 21, 0), 1},    // next minute
        {0, At(2024, 1, 2, 10, 20, 0), 1},    // same minute, next day
        {0, At(2024, 2, 1, 10, 20, 0), 1},    // same minute, next month
        {0, At(2025, 1, 1, 10, 20, 0), 1},    // same minute, next year
        {1, At(2024, 1, 1, 10, 59, 59), 0},   // hour: same hour
        {1, At(2024, 1, 1, 11, 0, 0), 1},     //
        {1, At(2024, 1, 2, 10, 0, 0), 1},     //
        {2, At(2024, 1, 1, 23, 59, 59), 0},   // day of month: same day
        {2, At(2024, 1, 2, 0, 0, 0), 1},      //
        {2, At(2024, 2, 1, 10, 0, 0), 1},     // same day of month, next month
        {3, At(2024, 1, 31, 23, 59, 59), 0},  // month: same month
        {3, At(2024, 2, 1), 1},               //
        {3, At(2025, 1, 1), 1},               // same month, next year
        {4, At(2024, 1, 1, 23, 59, 59), 0},   // day of week: same day
        {4, At(2024, 1, 2), 1},               //
        {4, At(2024, 1, 8), 1},               // same weekday, next week
        {4, At(2029, 1, 1), 1},               // Monday 1 January again, another year
        {5, At(2024, 12, 31, 23, 59, 59), 0}, // year: same year
        {5, At(2025, 1, 1), 1},               //
        {6, At(2024, 1, 1, 23, 59, 59), 0},   // day of year: same day
        {6, At(2024, 1, 2), 1},               //
        {6, At(2025, 1, 1), 1},               // day 1 of the next year
        {7, fired + 0.4 * kSecond, 0},        // second: rounds to the same second
        {7, fired + kSecond, 1},              //
        {7, At(2024, 1, 1, 10, 21, 30), 1},   // same second, next minute
        {7, At(2024, 1, 2, 10, 20, 30), 1},   // same second, next day
    };
    for (const Case& c : cases) {
        ob::common::CronFields fields{};
        fields[c.position] = "*";
        CronContext context = CronContext::Fresh(fired);
        ASSERT_EQ(CronEvaluator(context, fields), 1) << c.position;
        context.time = c.later;
        EXPECT_EQ(CronEvaluator(context, fields), c.expected)
            << "position " << c.position + 1 << " at "
            << ob::datetime::OleDate(c.later).Format("%Y-%m-%d %H:%M:%S");
    }
}

TEST_F(CronEvaluatorTest, FiringStoresMaskAndAllParts) {
    const FieldList fields{"*", "_", "10", nullptr, "*", "2024"};
    CronContext context = CronContext::Fresh(At(2024, 1, 1));
    context.time = At(2024, 5, 10, 7, 8, 9); // a Friday, day 131
    ASSERT_EQ(CronEvaluator(context, fields.Fields()), 1);
    EXPECT_EQ(context.mask, ob::common::CRON_MINUTE | ob::common::CRON_DAY |
                                ob::common::CRON_WEEKDAY | ob::common::CRON_YEAR);
    EXPECT_EQ(context.minute, 8);
    EXPECT_EQ(context.hour, 7);
    EXPECT_EQ(context.day, 10);
    EXPECT_EQ(context.month, 5);
    EXPECT_EQ(context.dayOfWeek, 6);
    EXPECT_EQ(context.year, 2024);
    EXPECT_EQ(context.dayOfYear, 131);
    EXPECT_EQ(context.second, 9);
}

TEST_F(CronEvaluatorTest, NoMatchLeavesTheContextAlone) {
    CronContext context = CronContext::Fresh(At(2024, 1, 1, 10, 0, 0));
    const CronContext before = context;
    context.time = At(2024, 1, 1, 10, 5, 0);
    EXPECT_EQ(CronEvaluator(context, FieldList{"0", "*", "*", "*", "*"}.Fields()), 0);
    // A later field that fails also stops the firing although the first ones match.
    EXPECT_EQ(CronEvaluator(context, FieldList{"5", "10", "1", "1", "1"}.Fields()), 0);
    EXPECT_EQ(context.mask, before.mask);
    EXPECT_EQ(context.minute, before.minute);
    EXPECT_EQ(context.year, before.year);
}

TEST_F(CronEvaluatorTest, ChangingTheSetOfFieldsFiresAtOnce) {
    const double t = At(2024, 1, 1, 10, 0, 0);
    CronContext context = CronContext::Fresh(t);
    ASSERT_EQ(CronEvaluator(context, FieldList{"*", "*", "*", "*", "*"}.Fields()), 1);
    context.time = t + kSecond;
    EXPECT_EQ(CronEvaluator(context, FieldList{"*", "*", "*", "*", "*"}.Fields()), 0);
    EXPECT_EQ(CronEvaluator(context, FieldList{"*", "*", "*", "*", "*", "_", "_", "*"}.Fields()),
              1);
    EXPECT_EQ(CronEvaluator(context, FieldList{"*", "*", "*", "*", "*", "_", "_", "*"}.Fields()),
              0);
    EXPECT_EQ(CronEvaluator(context, FieldList{"*", "*", "*", "*", "*"}.Fields()), 1);
}

TEST_F(CronEvaluatorTest, NoPresentFieldNeverFires) {
    for (const FieldList& fields : {FieldList{}, FieldList{"_", "_", "_", "_", "_", "_", "_", "_"},
                                    FieldList{"_5", "_*", nullptr, "_"}}) {
        CronContext context = CronContext::Fresh(At(2024, 1, 1));
        EXPECT_EQ(CronEvaluator(context, fields.Fields()), 0) << fields.Text();
        EXPECT_EQ(context.mask, 0u);
    }
}

TEST_F(CronEvaluatorTest, TimeZeroIsAParameterError) {
    for (double zero : {0.0, -0.0}) {
        ob::env::Remove("RS.LastError");
        CronContext context = CronContext::Fresh(At(2024, 1, 1));
        context.time = zero;
        EXPECT_EQ(CronEvaluator(context, FieldList{"*", "*", "*", "*", "*"}.Fields()), -1);
        EXPECT_EQ(ob::env::Get("RS.LastError").value_or(""), "Parameter error in time function");
        EXPECT_EQ(context.mask, 0u);
        EXPECT_EQ(context.year, 2024);
    }
    // Even an expression with no present field reports the error.
    ob::env::Remove("RS.LastError");
    CronContext context;
    EXPECT_EQ(CronEvaluator(context, ob::common::CronFields{}), -1);
    EXPECT_TRUE(ob::env::Get("RS.LastError").has_value());
}

// A moment without a calendar date matches nothing (even wildcards) and is no error.
TEST_F(CronEvaluatorTest, UndatedTimesNeverFire) {
    for (double t : {std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity(), -657435.0, 2958466.0, 1e300}) {
        CronContext context = CronContext::Fresh(At(2024, 1, 1));
        context.time = t;
        EXPECT_EQ(CronEvaluator(context, FieldList{"*", "*", "*", "*", "*"}.Fields()), 0) << t;
        EXPECT_EQ(context.mask, 0u);
    }
    EXPECT_FALSE(ob::env::Get("RS.LastError").has_value());
}

// The context's time and its calendar parts come from OLE values below zero too,
// where the fraction counts the time of day forwards from the day's start.
TEST_F(CronEvaluatorTest, DatesBeforeTheEpoch) {
    CronContext context = CronContext::Fresh(1.0);
    context.time = -1.25; // 1899-12-29 06:00
    EXPECT_EQ(CronEvaluator(context, FieldList{"0", "6", "29", "12", "6"}.Fields()), 1);
    EXPECT_EQ(context.year, 1899);
    EXPECT_EQ(context.dayOfYear, 363);
}

} // namespace
