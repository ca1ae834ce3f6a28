#include "queue_fixture.h"

#include "engine/loading/job_loader.h"
#include "engine/scheduling/scheduler.h"
#include "engine/session/event_poster.h"
#include "platform/env/environment.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/window.h"
#include "platform/time/clock.h"
#include "platform/time/clock_changes.h"
#include "platform/time/local_time_text.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace ob::engine {

void QueueTest::SetUp() {
    UseZone("UTC");
    test::UseScratchStores(dir_);
    env::Set("JR.OUTPUT_LEVEL", "0");
    msg::RegisterClass("QueueTestHost", msg::DefWindowProc);
    window_ = msg::CreateWindow("QueueTestHost", "scheduler test");
    session_.hostWindow = window_;
    session_.creatorThreadId = msg::GetCurrentThreadId();
    session_.flags.store(SF_ENABLED);
    // Sunday 4 March 2007, 10:00:00 UTC.
    now_ = std::chrono::system_clock::from_time_t(1173002400);
    clock::SetTestClock([this] { return now_; });
}

void QueueTest::TearDown() {
    clock::SetTestClock(nullptr);
    Drain();
    msg::DestroyWindow(window_);
}

bool QueueTest::UseZone(const std::string& tz) {
    if (tz != "UTC" && !std::filesystem::exists("/usr/share/zoneinfo/" + tz)) {
        return false;
    }
    ::setenv("TZ", tz.c_str(), 1);
    ::tzset();
    return true;
}

void QueueTest::SetLocalTime(const std::string& text) {
    const auto wall = datetime::ParseLocalDateTime(text);
    ASSERT_TRUE(wall) << text;
    const auto instant = datetime::FirstInstantOf(*wall);
    ASSERT_TRUE(instant) << text;
    now_ = std::chrono::system_clock::from_time_t(*instant);
}

void QueueTest::Load(const std::string& text, std::uint32_t options) {
    const std::string path = dir_ / "jobs.jr";
    std::ofstream(path) << text;
    ASSERT_TRUE(LoadJobScript(session_, path.c_str(), options));
    Drain();
    lines_.clear();
    idleBefore_ += idle_;
    idle_ = 0;
}

std::vector<std::string> QueueTest::TickAfter(std::chrono::seconds advance) {
    now_ += advance;
    lines_.clear();
    Tick(session_);
    Drain();
    return lines_;
}

void QueueTest::Drain() {
    for (std::string& line : reader_.Read()) {
        lines_.push_back(std::move(line));
    }
    idle_ = static_cast<int>(reader_.Count(OB_EV_NOTIFY, OB_NOTIFY_IDLE)) - idleBefore_;
}

} // namespace ob::engine
