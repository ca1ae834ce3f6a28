#include "common/cron/next_cron_time.h"

#include "cron_test_support.h"
#include "platform/env/environment.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace {

using ob::common::CronContext;
using ob::common::CronPresenceMask;
using ob::common::NextCronTime;
using ob::common::NextCronTimeByMinutes;
using ob::test::At;
using ob::test::FieldList;
using ob::test::kMinute;
using ob::test::kSecond;

std::string Text(std::optional<double> t) {
    return t ? ob::datetime::OleDate(*t).Format("%Y-%m-%d %H:%M:%S") : std::string("nothing");
}

// The state a firing at `moment` leaves behind for `fields`.
CronContext FiredAt(double moment, const FieldList& fields) {
    CronContext state = CronContext::Fresh(moment);
    state.mask = CronPresenceMask(fields.Fields());
    return state;
}

class NextCronTimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ob::test::UseScratchStores(scratch_);
        ob::env::Remove("RS.LastError");
    }
    void TearDown() override { ob::env::Remove("RS.LastError"); }

    ob::test::ScratchDir scratch_;
};

TEST_F(NextCronTimeTest, FindsTheNextFiringKeepingTheSeconds) {
    struct Case {
        FieldList fields;
        double from;
        bool freshState; ///< else the state of a firing at `from`
        const char* expected;
    };
    const Case cases[] = {
        // Friday evening to Monday morning.
        {{"0,30", "8-17", "*", "*", "2-6"},
         At(2024, 1, 5, 17, 31, 10),
         true,
         "2024-01-08 08:00:10"},
        {{"0,30", "8-17", "*", "*", "2-6"}, At(2024, 1, 8, 8, 0, 10), true, "2024-01-08 08:00:10"},
        {{"0,30", "8-17", "*", "*", "2-6"}, At(2024, 1, 8, 8, 0, 10), false, "2024-01-08 08:30:10"},
        {{"0,30", "8-17", "*", "*", "2-6"},
         At(2024, 1, 8, 17, 30, 0),
         false,
         "2024-01-09 08:00:00"},
        {{"*", "*", "*", "*", "*"}, At(2024, 1, 1, 10, 0, 59), false, "2024-01-01 10:01:59"},
        {{"*", "*", "*", "*", "*"}, At(2024, 12, 31, 23, 59, 0), false, "2025-01-01 00:00:00"},
        {{"59", "23", "31", "12", "*"}, At(2024, 1, 1), true, "2024-12-31 23:59:00"},
        {{"0", "0", "1", "1", "*"}, At(2024, 1, 1), false, "2025-01-01 00:00:00"},
        {{"15", "_", "_", "_", "_"}, At(2024, 1, 1, 10, 15), false, "2024-01-01 11:15:00"},
        {{"_", "9", "_", "_", "_"}, At(2024, 1, 1, 9, 0), false, "2024-01-02 09:00:00"},
        {{"_", "9", "_", "_", "_"}, At(2024, 1, 1, 9, 30), true, "2024-01-01 09:30:00"},
        {{"_", "_", "_", "_", "1"}, At(2024, 1, 7, 0, 0, 30), false, "2024-01-14 00:00:30"},
        {{"_", "_", "_", "3", "_"}, At(2024, 3, 1), false, "2025-03-01 00:00:00"},
        {{"_", "_", "15", "_", "_"}, At(2024, 1, 15, 6, 0), false, "2024-02-15 00:00:00"},
        // The wall clock has no gap at a change to summer time: 02:30 exists every day.
        {{"30", "2", "*", "*", "*"}, At(2024, 3, 31), true, "2024-03-31 02:30:00"},
        // Day 29 of February and the leap years.
        {{"0", "0", "29", "2", "*"}, At(2024, 3, 1), true, "2028-02-29 00:00:00"},
        {{"0", "0", "29", "2", "*"}, At(2096, 3, 1), true, "2104-02-29 00:00:00"},
        // Both day of month and day of week must match: 29 February on a Monday.
        {{"0", "0", "29", "2", "2"}, At(2025, 1, 1), true, "2044-02-29 00:00:00"},
        {{"0", "0", "29", "2", "2"}, At(2044, 2, 29), false, "2072-02-29 00:00:00"},
        {{"_", "_", "29", "2", "2"}, At(2072, 2, 29, 0, 0, 30), false, "2112-02-29 00:00:30"},
        // The last minutes of the calendar.
        {{"59", "23", "31", "12", "*"}, At(9999, 12, 31, 23, 0, 0), true, "9999-12-31 23:59:00"},
    };
    for (const Case& c : cases) {
        const CronContext state =
            c.freshState ? CronContext::Fresh(c.from) : FiredAt(c.from, c.fields);
        const auto found = NextCronTime(state, c.fields.Fields(), c.from);
        EXPECT_EQ(Text(found), c.expected) << c.fields.Text() << " from " << Text(c.from);
        if (found) {
            // A candidate is the start plus a whole number of minutes.
            const double minutes = (*found - c.from) * 1440.0;
            EXPECT_NEAR(minutes, std::round(minutes), 1e-3);
            EXPECT_EQ(*found, ob::common::CronCandidate(c.from, std::lround(minutes)));
        }
    }
    EXPECT_FALSE(ob::env::Get("RS.LastError").has_value());
}

TEST_F(NextCronTimeTest, ExpressionsThatNeverFire) {
    const FieldList never[] = {
        {"0", "0", "31", "2", "*"},        {"0", "0", "30", "2", "*"},
        {"0", "0", "31", "4,6,9,11", "*"}, {"60", "*", "*", "*", "*"},
        {"*", "24", "*", "*", "*"},        {"*", "*", "0", "*", "*"},
        {"*", "*", "32", "*", "*"},        {"*", "*", "*", "13", "*"},
        {"*", "*", "*", "0", "*"},         {"*", "*", "*", "*", "8"},
        {"*", "*", "*", "*", "0"},         {"5*", "*", "*", "*", "*"},
        {"_", "_", "_", "_", "_"},         {},
        {"3-1", "*", "*", "*", "*"},
    };
    for (const FieldList& fields : never) {
        for (double from : {At(2024, 6, 1, 12, 0, 17), -0.25 - 7 * kSecond}) {
            EXPECT_FALSE(NextCronTime(CronContext::Fresh(from), fields.Fields(), from).has_value())
                << fields.Text() << " from " << from;
        }
    }
    EXPECT_FALSE(ob::env::Get("RS.LastError").has_value());
}

// Only the first five fields take part; the others are absent whatever they say.
TEST_F(NextCronTimeTest, LaterFieldsAreIgnored) {
    const double from = At(2024, 1, 1, 10, 0, 0);
    const FieldList five{"0", "12", "*", "*", "*"};
    const FieldList eight{"0", "12", "*", "*", "*", "1999", "300", "17"};
    EXPECT_EQ(Text(NextCronTime(CronContext::Fresh(from), eight.Fields(), from)),
              "2024-01-01 12:00:00");
    EXPECT_EQ(NextCronTime(CronContext::Fresh(from), eight.Fields(), from),
              NextCronTime(CronContext::Fresh(from), five.Fields(), from));
    EXPECT_EQ(NextCronTimeByMinutes(CronContext::Fresh(from), eight.Fields(), from, 1440),
              NextCronTime(CronContext::Fresh(from), five.Fields(), from));
}

// The state of a later firing blocks its period when the search reaches it.
TEST_F(NextCronTimeTest, AFiringInTheFutureBlocksItsPeriod) {
    const FieldList weekly{"_", "_", "_", "_", "4"};                   // Wednesdays, once a day
    const CronContext state = FiredAt(At(2024, 1, 10, 15, 0), weekly); // Wednesday
    EXPECT_EQ(Text(NextCronTime(state, weekly.Fields(), At(2024, 1, 1, 8, 0))),
              "2024-01-03 00:00:00");
    EXPECT_EQ(Text(NextCronTime(state, weekly.Fields(), At(2024, 1, 4, 8, 0))),
              "2024-01-17 00:00:00");
}

// Starts before 1899-12-30: the OLE value's time of day runs backwards within each
// day as the value grows, and a candidate of exactly 0.0 is the evaluator's error.
TEST_F(NextCronTimeTest, StartsBelowZero) {
    const FieldList noon{"0", "12", "*", "*", "*"};
    const auto found = NextCronTime(CronContext::Fresh(1.0), noon.Fields(), -1.0);
    EXPECT_EQ(Text(found), "1899-12-30 12:00:00");
    EXPECT_EQ(found, std::optional<double>(-0.5));
    EXPECT_FALSE(ob::env::Get("RS.LastError").has_value());

    // No match before the candidate 0.0: the search ends there with the error.
    const FieldList january{"0", "3", "*", "1", "*"};
    EXPECT_FALSE(NextCronTime(CronContext::Fresh(1.0), january.Fields(), -1.0).has_value());
    EXPECT_EQ(ob::env::Get("RS.LastError").value_or(""), "Parameter error in time function");
    ob::env::Remove("RS.LastError");
    // Starting one minute later, the candidates miss 0.0 and January 1900 comes.
    EXPECT_EQ(Text(NextCronTime(CronContext::Fresh(1.0), january.Fields(), -1.0 + kMinute / 2)),
              "1900-01-01 03:00:30");
    EXPECT_FALSE(ob::env::Get("RS.LastError").has_value());
}

// A candidate 0.3 s before a minute is that minute (the calendar parts are rounded to
// the second), so a skip must not pass over it although it lies before the minute.
TEST_F(NextCronTimeTest, RoundingToTheSecondDecidesTheMinute) {
    const FieldList noon{"0", "12", "*", "*", "*"};
    const double from = At(2024, 1, 1, 10, 0, 0) + 59.7 * kSecond;
    const CronContext state = CronContext::Fresh(from);
    const auto found = NextCronTime(state, noon.Fields(), from);
    EXPECT_EQ(Text(found), "2024-01-01 12:00:00");
    EXPECT_EQ(found, std::optional<double>(ob::common::CronCandidate(from, 119)));
    EXPECT_EQ(found, NextCronTimeByMinutes(state, noon.Fields(), from, 1440));

    // Below zero, 0.3 s before the end of a day's interval the next interval begins:
    // its value shows the end of the following day, which rounds to the day after.
    const FieldList sundays{"*", "*", "*", "*", "1"};
    const double friday = -1.0 - (5 * 3600 + 16 * 60 + 59.7) * kSecond; // 1899-12-29 05:16:59.7
    const auto sunday = NextCronTime(CronContext::Fresh(1.0), sundays.Fields(), friday);
    EXPECT_EQ(Text(sunday), "1899-12-31 00:00:00");
    EXPECT_EQ(sunday, std::optional<double>(ob::common::CronCandidate(friday, 317)));
    EXPECT_EQ(sunday,
              NextCronTimeByMinutes(CronContext::Fresh(1.0), sundays.Fields(), friday, 3 * 1440));
}

TEST_F(NextCronTimeTest, StartsOutsideTheCalendar) {
    const FieldList every{"*", "*", "*", "*", "*"};
    const CronContext state = CronContext::Fresh(At(2024, 1, 1));
    for (double from :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity(), 2958466.0, 1e300, -1e300}) {
        EXPECT_FALSE(NextCronTime(state, every.Fields(), from).has_value()) << from;
    }
    // No 1 January is left after the start of 9999's last day.
    EXPECT_FALSE(NextCronTime(state, FieldList{"0", "0", "1", "1", "*"}.Fields(), At(9999, 12, 31))
                     .has_value());
    // Before the year 100 the first candidate with a date fires: 1 January 100, whose
    // time of day runs backwards from its end.
    const double from = -657435.0 - 20.0 - 17 * kSecond;
    const auto first = NextCronTime(state, every.Fields(), from);
    ASSERT_TRUE(first.has_value());
    ob::common::CronValues values{};
    ASSERT_TRUE(ob::common::CronValuesOf(*first, values));
    EXPECT_EQ(values[5], 100); // year
    EXPECT_EQ(values[6], 1);   // day of year
    EXPECT_EQ(values[1], 23);  // hour
    EXPECT_EQ(first, NextCronTimeByMinutes(state, every.Fields(), from, 40 * 1440));
}

// The plain walk and the fast search agree on a rare expression over years.
TEST_F(NextCronTimeTest, LeapDayAgreesWithThePlainWalk) {
    const FieldList leapDay{"0", "0", "29", "2", "*"};
    const double from = At(2027, 3, 1, 5, 6, 7);
    const CronContext state = CronContext::Fresh(from);
    const auto fast = NextCronTime(state, leapDay.Fields(), from);
    EXPECT_EQ(Text(fast), "2028-02-29 00:00:07");
    EXPECT_EQ(fast, NextCronTimeByMinutes(state, leapDay.Fields(), from, 2 * 527040));
}

TEST_F(NextCronTimeTest, BoundOfTheSearch) {
    const FieldList leapMonday{"0", "0", "29", "2", "2"};
    const double from = At(2025, 1, 1);
    const CronContext state = CronContext::Fresh(from);
    const long minutesTo2044 = std::lround((At(2044, 2, 29) - from) * 1440.0);
    EXPECT_FALSE(ob::common::NextCronTimeWithin(state, leapMonday.Fields(), from, minutesTo2044)
                     .has_value());
    EXPECT_EQ(
        Text(ob::common::NextCronTimeWithin(state, leapMonday.Fields(), from, minutesTo2044 + 1)),
        "2044-02-29 00:00:00");
    EXPECT_FALSE(ob::common::NextCronTimeWithin(state, leapMonday.Fields(), from, 0).has_value());
    EXPECT_FALSE(NextCronTimeByMinutes(state, leapMonday.Fields(), from, 0).has_value());
    EXPECT_FALSE(NextCronTimeByMinutes(state, leapMonday.Fields(), from, -5).has_value());

    // The largest bound there is: no arithmetic on candidate numbers may overflow.
    const long most = std::numeric_limits<long>::max();
    EXPECT_EQ(Text(ob::common::NextCronTimeWithin(state, leapMonday.Fields(), from, most)),
              "2044-02-29 00:00:00");
    EXPECT_FALSE(ob::common::NextCronTimeWithin(state, FieldList{"0", "0", "1", "1", "*"}.Fields(),
                                                At(9999, 12, 31), most)
                     .has_value());
    EXPECT_FALSE(ob::common::NextCronTimeWithin(state, FieldList{"0", "0", "1", "1", "*"}.Fields(),
                                                -1e300, most)
                     .has_value());
}

} // namespace
