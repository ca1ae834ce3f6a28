// The scheduler's tick on a set clock: firing, trigger and stop lines, expiry,
// aborts, muting, skipping and the idle report.

#include "engine/loading/job_loader.h"
#include "platform/env/environment.h"
#include "queue_fixture.h"

#include <algorithm>
#include <chrono>

namespace ob::engine {
namespace {

using std::chrono::seconds;

using SchedulerTest = QueueTest;

TEST_F(SchedulerTest, StartAndStopWithoutArgumentsRunOnceAndRemoveTheJob) {
    Load("{\n-name once\n-start\n-stop\n-action -print ran\n}\n");
    EXPECT_EQ(TickAfter(seconds(1)),
              (std::vector<std::string>{"Trigger:once: Sunday, March 4, 2007 10:00:01.", "ran ",
                                        "Trigger:once: Sunday, March 4, 2007 10:00:01.",
                                        "--Stop triggered, removing job."}));
    EXPECT_EQ(session_.jobs.Size(), 0u);
    EXPECT_EQ(idle_, 1) << "the pass that removed the last job reports the queue idle";
    TickAfter(seconds(1));
    EXPECT_EQ(idle_, 2) << "and so does every later enabled tick";
}

TEST_F(SchedulerTest, RepeatingStartFiresOnItsPeriodAndOnceExpiresTheJob) {
    env::Set("JR.OUTPUT_LEVEL", "4");
    Load("{\n-name every5\n-start -inc 0 0 0 5\n-action -print tick\n}\n"
         "{\n-name brief\n-start -inc 0 0 0 5 -once\n-action -print once\n}\n");
    // -once marks the job expired when its start holds: it runs this time, and its
    // run control removes it.
    auto lines = TickAfter(seconds(0));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "tick "), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "once "), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "[Removing expired job.]"), 1);
    ASSERT_EQ(session_.jobs.Size(), 1u);
    lines = TickAfter(seconds(1));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "tick "), 0) << "not due yet";
    lines = TickAfter(seconds(4));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "tick "), 1) << "due again after 5 s";
}

TEST_F(SchedulerTest, AbortRemovesEveryJobAtTheEndOfTheTick) {
    Load("{\n-name first\n-start -inc 0 0 0 5\n-action -return abort\n}\n"
         "{\n-name second\n-start -inc 0 0 0 5\n-action -print never\n}\n");
    const auto lines = TickAfter(seconds(1));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Abort called."), lines.end());
    EXPECT_EQ(std::find(lines.begin(), lines.end(), "never "), lines.end())
        << "the pass ends at the abort";
    EXPECT_EQ(session_.jobs.Size(), 0u);
    EXPECT_EQ(session_.flags.load() & SF_CLEAR_QUEUE, 0u);
}

TEST_F(SchedulerTest, MutingHidesOrdinaryTriggerLinesAndInternalJobsNeedBit1) {
    env::Set("JR.OUTPUT_LEVEL", "20");
    Load("{\n-name loud\n-start\n-stop\n-action -print body\n}\n");
    EXPECT_EQ(TickAfter(seconds(1)), (std::vector<std::string>{"body "}));

    env::Set("JR.OUTPUT_LEVEL", "0");
    Load("{\n-name quiet\n-start\n-stop\n-action -print body\n}\n", LOAD_INTERNAL);
    EXPECT_EQ(TickAfter(seconds(1)), (std::vector<std::string>{"body "}));

    env::Set("JR.OUTPUT_LEVEL", "1");
    Load("{\n-name shown\n-start\n-stop\n}\n", LOAD_INTERNAL);
    EXPECT_EQ(TickAfter(seconds(1)),
              (std::vector<std::string>{"[Trigger:shown: Sunday, March 4, 2007 10:00:03.]",
                                        "[Trigger:shown: Sunday, March 4, 2007 10:00:03.]",
                                        "[--Stop triggered, removing job.]"}));
}

TEST_F(SchedulerTest, SkippedDayIsRescheduledWithoutRunning) {
    env::Set("JR.OUTPUT_LEVEL", "4");
    Load("{\n-name weekdays\n-start -inc 1 0 0 0\n-skip -week 1\n-action -print work\n}\n");
    auto lines = TickAfter(seconds(1)); // Sunday
    EXPECT_NE(std::find(lines.begin(), lines.end(), "[Skipping]"), lines.end());
    EXPECT_EQ(std::find(lines.begin(), lines.end(), "work "), lines.end());
    lines = TickAfter(std::chrono::hours(24)); // Monday
    EXPECT_NE(std::find(lines.begin(), lines.end(), "work "), lines.end());
}

TEST_F(SchedulerTest, DisabledOrPausedSessionsRunNoPass) {
    Load("{\n-name job\n-start -inc 0 0 0 1\n-action -print x\n}\n");
    session_.flags.store(0);
    EXPECT_TRUE(TickAfter(seconds(1)).empty());
    session_.flags.store(SF_ENABLED);
    session_.stepMode.store(StepMode::SingleStep);
    EXPECT_EQ(TickAfter(seconds(1)).size(), 2u) << "one pass, then paused";
    EXPECT_EQ(session_.stepState.load(), StepState::Paused);
    EXPECT_TRUE(TickAfter(seconds(1)).empty());
}

} // namespace
} // namespace ob::engine
