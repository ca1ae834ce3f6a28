// Testing time statements against the clock: one-shot and repeating starts,
// missed occurrences, constrain windows, -except and -once, rescheduling and the
// debug trace.
#include "timing_fixture.h"

#include "engine/scheduling/time_evaluation.h"
#include "platform/env/environment.h"

namespace ob::test {
namespace {

using datetime::OleDate;
using datetime::OleDateSpan;
using engine::KIND_START;
using engine::KIND_STOP;
using engine::STF_FIRED;

TEST_F(TimingTest, DelayedStartFiresOnceFiveMinutesAfterLoading) {
    auto start = Evaluated("-delay 0 0 5 0");
    Advance(299);
    EXPECT_EQ(engine::TimeCheck(session, job, *start, true), 0);
    EXPECT_EQ(start->flags & STF_FIRED, 0u);
    Advance(1);
    EXPECT_EQ(engine::TimeCheck(session, job, *start, true), 1);
    EXPECT_EQ(start->flags & STF_FIRED, STF_FIRED);
    EXPECT_TRUE(start->lastFire == OleDate::FromParts(2024, 3, 4, 10, 5, 0));
    for (int i = 0; i < 3; ++i) {
        Advance(60);
        EXPECT_EQ(engine::TimeCheck(session, job, *start, true), 0);
    }
}

TEST_F(TimingTest, RepeatingStartFiresAtOnceThenEveryFiveSeconds) {
    auto start = Evaluated("-inc 0 0 0 5");
    std::vector<int> fired;
    for (int second = 0; second <= 20; ++second) {
        if (engine::TimeCheck(session, job, *start, true) == 1) {
            fired.push_back(second);
        }
        EXPECT_EQ(start->flags & STF_FIRED, 0u);
        Advance(1);
    }
    EXPECT_EQ(fired, (std::vector<int>{0, 5, 10, 15, 20}));
    EXPECT_TRUE(start->next == OleDate::FromParts(2024, 3, 4, 10, 0, 25));
}

TEST_F(TimingTest, MissedOccurrencesFireOnceAndAreSkipped) {
    auto start = Evaluated("-inc 0 1 0 0");
    ASSERT_EQ(engine::TimeCheck(session, job, *start, true), 1);
    EXPECT_TRUE(start->next == OleDate::FromParts(2024, 3, 4, 11, 0, 0));
    // The machine was off from 10:00 to 13:30: 11:00, 12:00 and 13:00 were missed.
    SetNow(2024, 3, 4, 13, 30, 0);
    EXPECT_EQ(engine::TimeCheck(session, job, *start, true), 1);
    EXPECT_TRUE(start->lastFire == OleDate::FromParts(2024, 3, 4, 11, 0, 0));
    EXPECT_TRUE(start->next == OleDate::FromParts(2024, 3, 4, 14, 0, 0));
    Advance(1);
    EXPECT_EQ(engine::TimeCheck(session, job, *start, true), 0);
    // Exactly on an occurrence, the next one is an increment later.
    SetNow(2024, 3, 4, 16, 0, 0);
    EXPECT_EQ(engine::TimeCheck(session, job, *start, true), 1);
    EXPECT_TRUE(start->next == OleDate::FromParts(2024, 3, 4, 17, 0, 0));
}

TEST_F(TimingTest, StartMissedBeyondItsWindowIsRescheduledWithoutFiring) {
    auto start = Evaluated("-inc 0 1 0 0 -constrain 0 0 10 0");
    SetNow(2024, 3, 4, 10, 15, 0);
    EXPECT_EQ(engine::TimeCheck(session, job, *start, true), 0);
    EXPECT_TRUE(start->next == OleDate::FromParts(2024, 3, 4, 11, 0, 0));
    EXPECT_EQ(start->flags & STF_FIRED, 0u);
    SetNow(2024, 3, 4, 11, 10, 0); // at the edge of the window
    EXPECT_EQ(engine::TimeCheck(session, job, *start, true), 1);
    EXPECT_TRUE(start->next == OleDate::FromParts(2024, 3, 4, 12, 0, 0));

    // Without an increment the missed start is used up.
    SetNow(2024, 3, 4, 10, 0, 0);
    auto once = Evaluated("-constrain 0 0 10 0");
    SetNow(2024, 3, 4, 10, 15, 0);
    EXPECT_EQ(engine::TimeCheck(session, job, *once, true), 0);
    EXPECT_EQ(once->flags & STF_FIRED, STF_FIRED);
}

TEST_F(TimingTest, TopOfHourAlreadyPassedIsDue) {
    SetNow(2024, 3, 4, 10, 30, 40);
    auto start = Evaluated("-top 30");
    EXPECT_EQ(engine::TimeCheck(session, job, *start, true), 1);
}

TEST_F(TimingTest, ChecksWithoutCommitChangeNothing) {
    auto stop = Evaluated("-delay 0 0 1 0", KIND_STOP);
    EXPECT_EQ(engine::TimeCheck(session, job, *stop, false), 0);
    Advance(60);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(engine::TimeCheck(session, job, *stop, false), 1);
        Advance(1);
    }
    EXPECT_EQ(stop->flags, 0u);
    EXPECT_FALSE(stop->lastFire.IsValid());

    // Commit advances only start statements.
    EXPECT_EQ(engine::TimeCheck(session, job, *stop, true), 1);
    EXPECT_EQ(stop->flags, 0u);

    auto start = Evaluated("-inc 0 0 0 5");
    EXPECT_EQ(engine::TimeCheck(session, job, *start, false), 1);
    EXPECT_EQ(engine::TimeCheck(session, job, *start, false), 1);
    EXPECT_TRUE(start->next == Now());
}

TEST_F(TimingTest, InvalidNextTimeIsNeverDue) {
    auto stop = Evaluated("", KIND_STOP);
    stop->next = OleDate::InvalidDate();
    EXPECT_EQ(engine::TimeCheck(session, job, *stop, true), 0);
}

TEST_F(TimingTest, ExceptInvertsAndOnceExpiresTheJob) {
    auto except = Evaluated("-except -delay 0 0 5 0", KIND_STOP);
    EXPECT_EQ(engine::TimeCheckWrapped(session, job, *except, false), 1);
    Advance(300);
    EXPECT_EQ(engine::TimeCheckWrapped(session, job, *except, false), 0);
    EXPECT_FALSE(job.TestFlags(engine::JF_EXPIRED));

    auto later = Evaluated("-once -delay 0 0 5 0");
    EXPECT_EQ(engine::TimeCheckWrapped(session, job, *later, true), 0);
    EXPECT_FALSE(job.TestFlags(engine::JF_EXPIRED));
    auto once = Evaluated("-inc 0 0 0 5 -once");
    EXPECT_EQ(engine::TimeCheckWrapped(session, job, *once, true), 1);
    EXPECT_TRUE(job.TestFlags(engine::JF_EXPIRED));

    engine::Job other{Now()};
    auto both = Evaluated("-except -once -delay 0 1 0 0");
    EXPECT_EQ(engine::TimeCheckWrapped(session, other, *both, true), 1);
    EXPECT_TRUE(other.TestFlags(engine::JF_EXPIRED));
}

TEST_F(TimingTest, ReschedulingReportsAtLevelEight) {
    env::Set("JR.OUTPUT_LEVEL", "8");
    auto start = Evaluated("-inc 0 0 0 5");
    ASSERT_EQ(engine::TimeCheck(session, job, *start, true), 1);
    EXPECT_EQ(Lines(), std::vector<std::string>{
                           "[Rescheduled:unknown: for Monday, March 4, 2024 10:00:05.]"});

    start->increment = OleDateSpan();
    engine::Reschedule(session, *start);
    start->next = OleDate::InvalidDate();
    engine::Reschedule(session, *start);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"[Can't sync zero span]",
                                                 "[Can't sync and invalid or CRON time]"}));

    env::Set("JR.OUTPUT_LEVEL", "0");
    start->next = Now();
    start->increment = OleDateSpan(0, 0, 0, 5);
    engine::Reschedule(session, *start);
    EXPECT_TRUE(Lines().empty());
}

TEST_F(TimingTest, ReschedulingFromTheDistantPastTakesOneStep) {
    auto start = Evaluated("-inc 0 0 0 1");
    start->next = OleDate::FromParts(1990, 1, 1, 0, 0, 0);
    SetNow(2024, 3, 4, 10, 0, 0);
    engine::Reschedule(session, *start);
    EXPECT_TRUE(start->next == OleDate::FromParts(2024, 3, 4, 10, 0, 1)) << start->next.Format();

    start->increment = OleDateSpan(0, 0, 0, 7);
    start->next = OleDate::FromParts(2024, 3, 4, 9, 0, 0); // 3600 s = 514 * 7 + 2
    engine::Reschedule(session, *start);
    EXPECT_TRUE(start->next == OleDate::FromParts(2024, 3, 4, 10, 0, 5)) << start->next.Format();

    // A next time already ahead stays.
    start->next = OleDate::FromParts(2024, 3, 4, 12, 0, 0);
    engine::Reschedule(session, *start);
    EXPECT_TRUE(start->next == OleDate::FromParts(2024, 3, 4, 12, 0, 0));
}

TEST_F(TimingTest, NegativeIncrementFiresOnceInsteadOfLooping) {
    // The obsolete "-action -inc" may store any span; a negative one cannot move the
    // next time forwards, so the start behaves like a one-shot.
    env::Set("JR.OUTPUT_LEVEL", "8");
    auto start = Evaluated("");
    start->increment = OleDateSpan(0, 0, 0, -5);
    EXPECT_EQ(engine::TimeCheck(session, job, *start, true), 1);
    EXPECT_EQ(start->flags & STF_FIRED, STF_FIRED);
    EXPECT_TRUE(start->next == Now());
    Advance(1);
    EXPECT_EQ(engine::TimeCheck(session, job, *start, true), 0);
    EXPECT_EQ(Lines(),
              (std::vector<std::string>{"[Can't sync zero span]", "[Can't sync zero span]"}));
}

TEST_F(TimingTest, DebugTraceShowsWhenNowAndNext) {
    env::Set("JR.OUTPUT_LEVEL", "89"); // 128 | 8 | 1
    auto start = Evaluated("-delay 0 0 5 0 -inc 0 1 0 0");
    EXPECT_EQ(engine::TimeCheck(session, job, *start, true), 0);
    Advance(300);
    EXPECT_EQ(engine::TimeCheck(session, job, *start, true), 1);
    auto stop = Evaluated("-delay 0 0 0 9", KIND_STOP);
    EXPECT_EQ(engine::TimeCheck(session, job, *stop, false), 0);
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           "[Start::When(10:5:0) Start::Now(10:0:0)]",
                           "[Start::Next(10:5:0)]",
                           "[Start::When(10:5:0) Start::Now(10:5:0)]",
                           "[Rescheduled:unknown: for Monday, March 4, 2024 11:05:00.]",
                           "[Start::Next(11:5:0)]",
                           "[Stop::When(10:5:9) Stop::Now(10:5:0)]",
                       }));

    // Bit 128 alone: the trace lines need their own bits as well.
    env::Set("JR.OUTPUT_LEVEL", "80");
    EXPECT_EQ(engine::TimeCheck(session, job, *stop, false), 0);
    EXPECT_TRUE(Lines().empty());
}

} // namespace
} // namespace ob::test
