// Fixture for the scheduler's tests: a session without an engine thread, so that
// the test calls Tick itself on a clock it sets, and reads the output lines from a
// window of its own thread. The clock starts at Sunday 4 March 2007, 10:00:00 UTC,
// in the time zone UTC unless the test picks another.
#pragma once

#include "engine/session/engine_session.h"
#include "support/host_events.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace ob::engine {

class QueueTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    /// Uses the time zone `tz` (a TZ value) from now on; false when the system has
    /// no data for it.
    bool UseZone(const std::string& tz);
    /// Sets the clock to a local wall-clock time of the current zone (its first
    /// occurrence).
    void SetLocalTime(const std::string& text);

    /// Loads `text` as a job file (asserting success); forgets what that printed.
    void Load(const std::string& text, std::uint32_t options = 0);

    /// One tick `advance` after the previous one; returns the lines it printed.
    std::vector<std::string> TickAfter(std::chrono::seconds advance);

    /// Takes the host's events off the queue, collecting lines and idle reports.
    void Drain();

    test::ScratchDir dir_;
    EngineSession session_;
    std::chrono::system_clock::time_point now_;
    std::vector<std::string> lines_;
    int idle_ = 0;

private:
    std::uintptr_t window_ = 0;
    test::HostLineReader reader_;
    int idleBefore_ = 0; ///< idle reports read before the last Load
};

} // namespace ob::engine
