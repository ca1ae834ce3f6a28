// Time statements given as cron fields: their next time, and firing once per
// matching minute however often they are tested.
#include "timing_fixture.h"

#include "engine/scheduling/time_evaluation.h"
#include "platform/env/environment.h"

#include <functional>

namespace ob::test {
namespace {

using datetime::OleDate;
using engine::KIND_STOP;
using engine::STF_CRON;

// The moments at which a start statement fires when tested every `step` seconds
// from now for `seconds` seconds.
std::vector<std::string> Firings(const engine::TimeStatement& statement, long seconds, long step,
                                 const std::function<void(long)>& advance,
                                 const std::function<int()>& check) {
    std::vector<std::string> fired;
    for (long elapsed = 0; elapsed < seconds; elapsed += step) {
        if (check() == 1) {
            fired.push_back(OleDate::Now().Format());
            EXPECT_TRUE(statement.lastFire == OleDate::Now());
        }
        advance(step);
    }
    return fired;
}

TEST_F(TimingTest, CronStatementFiresOnWeekdaysAtEveryHalfHour) {
    SetNow(2024, 3, 4, 7, 59, 0); // Monday
    auto start = Evaluated("-cron 0,30 8-17 * * 2-6");
    EXPECT_EQ(start->flags, STF_CRON);
    EXPECT_TRUE(start->next == OleDate::FromParts(2024, 3, 4, 8, 0, 0)) << start->next.Format();

    const auto advance = [this](long s) { Advance(s); };
    const auto check = [&] { return engine::TimeCheck(session, job, *start, true); };
    // Monday, tested every second until midnight.
    const std::vector<std::string> monday = Firings(*start, 16 * 3600 + 60, 1, advance, check);
    std::vector<std::string> expected;
    for (int hour = 8; hour <= 17; ++hour) {
        for (int minute : {0, 30}) {
            expected.push_back(OleDate::FromParts(2024, 3, 4, hour, minute, 0).Format());
        }
    }
    EXPECT_EQ(monday, expected);
    // After the last firing of the day the next one is Tuesday's first.
    EXPECT_TRUE(start->next == OleDate::FromParts(2024, 3, 5, 8, 0, 0)) << start->next.Format();

    // Saturday and Sunday: nothing, however often tested.
    SetNow(2024, 3, 9, 0, 0, 0);
    EXPECT_TRUE(Firings(*start, 2 * 86400, 10, advance, check).empty());
    // Monday again.
    EXPECT_EQ(Firings(*start, 3600, 10, advance, check).size(), 0u);
    // The search for the next time starts at now and keeps its seconds.
    SetNow(2024, 3, 11, 8, 0, 5);
    EXPECT_EQ(check(), 1);
    EXPECT_TRUE(start->next == OleDate::FromParts(2024, 3, 11, 8, 30, 5)) << start->next.Format();
}

TEST_F(TimingTest, CronFieldsAreExpandedAndTestedWithoutCommit) {
    env::Set("TS_MINUTE", "15");
    SetNow(2024, 3, 4, 10, 0, 0);
    auto stop = Evaluated("-cron %TS_MINUTE% * * * *", KIND_STOP);
    EXPECT_TRUE(stop->next == OleDate::FromParts(2024, 3, 4, 10, 15, 0));

    std::vector<long> fired;
    for (long s = 0; s < 3600; s += 5) {
        if (engine::TimeCheck(session, job, *stop, false) == 1) {
            fired.push_back(s);
        }
        Advance(5);
    }
    EXPECT_EQ(fired, std::vector<long>{15 * 60});
    EXPECT_FALSE(stop->lastFire.IsValid()); // only a committed start records its firing
    EXPECT_TRUE(stop->next == OleDate::FromParts(2024, 3, 4, 10, 15, 0));

    // The fields are read again at every test: a changed variable changes them.
    env::Set("TS_MINUTE", "20");
    SetNow(2024, 3, 4, 11, 20, 0);
    EXPECT_EQ(engine::TimeCheck(session, job, *stop, false), 1);
}

TEST_F(TimingTest, ReevaluatedCronStatementStartsFresh) {
    SetNow(2024, 3, 4, 10, 0, 0);
    auto start = Evaluated("-cron * * * * *");
    EXPECT_EQ(engine::TimeCheck(session, job, *start, true), 1);
    EXPECT_TRUE(start->next == OleDate::FromParts(2024, 3, 4, 10, 1, 0));
    Advance(10);
    EXPECT_EQ(engine::TimeCheck(session, job, *start, true), 0);
    ASSERT_TRUE(engine::ReevaluateTimeStatement(session, *start));
    EXPECT_TRUE(start->next == Now()); // the fresh state fires in the current minute
    EXPECT_EQ(engine::TimeCheck(session, job, *start, true), 1);
}

TEST_F(TimingTest, CronStatementThatNeverFiresKeepsItsNextTime) {
    SetNow(2024, 3, 4, 10, 0, 0);
    auto start = Evaluated("-cron 0 0 31 2 *");
    EXPECT_TRUE(start->next == Now());
    start->next = OleDate::FromParts(2030, 1, 1);
    engine::NextCronTime(*start);
    EXPECT_TRUE(start->next == OleDate::FromParts(2030, 1, 1));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(engine::TimeCheck(session, job, *start, true), 0);
        Advance(86400);
    }
}

TEST_F(TimingTest, NextCronTimeLeavesTheCronStateAlone) {
    SetNow(2024, 3, 4, 10, 7, 30);
    auto start = Evaluated("-cron 10 * * * *");
    const common::CronContext before = start->cron;
    start->next = OleDate();
    engine::NextCronTime(*start);
    EXPECT_TRUE(start->next == OleDate::FromParts(2024, 3, 4, 10, 10, 30)) << start->next.Format();
    EXPECT_EQ(start->cron.mask, before.mask);
    EXPECT_EQ(start->cron.minute, before.minute);
}

} // namespace
} // namespace ob::test
