// The scheduler's tick on a set clock: firing, trigger and stop lines, expiry,
// aborts, muting, skipping and the idle report.

#include "engine/loading/job_loader.h"
#include "engine/scheduling/scheduler.h"
#include "engine/session/engine_session.h"
#include "engine/session/event_poster.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/window.h"
#include "platform/time/clock.h"
#include "support/host_events.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>

namespace ob::engine {
namespace {

using std::chrono::seconds;

// A session without an engine thread: the test calls Tick itself, on a clock it
// sets, and reads the output lines from a window of its own thread.
class SchedulerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        test::UseScratchStores(dir_);
        env::Set("JR.OUTPUT_LEVEL", "0");
        msg::RegisterClass("SchedulerTestHost", msg::DefWindowProc);
        window_ = msg::CreateWindow("SchedulerTestHost", "scheduler test");
        session_.hostWindow = window_;
        session_.creatorThreadId = msg::GetCurrentThreadId();
        session_.flags.store(SF_ENABLED);
        // Sunday 4 March 2007, 10:00:00 UTC.
        now_ = std::chrono::system_clock::from_time_t(1173002400);
        clock::SetTestClock([this] { return now_; });
    }
    void TearDown() override {
        clock::SetTestClock(nullptr);
        Drain();
        msg::DestroyWindow(window_);
    }

    void Load(const std::string& text, std::uint32_t options = 0) {
        const std::string path = dir_ / "jobs.jr";
        std::ofstream(path) << text;
        ASSERT_TRUE(LoadJobScript(session_, path.c_str(), options));
        Drain();
        lines_.clear();
        idleBefore_ += idle_;
        idle_ = 0;
    }

    // One tick `advance` after the previous one; returns the lines it printed.
    std::vector<std::string> TickAfter(seconds advance) {
        now_ += advance;
        lines_.clear();
        Tick(session_);
        Drain();
        return lines_;
    }

    void Drain() {
        for (std::string& line : reader_.Read()) {
            lines_.push_back(std::move(line));
        }
        idle_ = static_cast<int>(reader_.Count(OB_EV_NOTIFY, OB_NOTIFY_IDLE)) - idleBefore_;
    }

    test::ScratchDir dir_;
    EngineSession session_;
    msg::Hwnd window_ = 0;
    std::chrono::system_clock::time_point now_;
    std::vector<std::string> lines_;
    test::HostLineReader reader_;
    int idle_ = 0;
    int idleBefore_ = 0; ///< idle reports read before the last Load
};

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
