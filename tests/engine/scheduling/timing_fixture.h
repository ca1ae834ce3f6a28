// Fixture for the time-expression tests: a session record whose host window
// lives on the test thread (so that printed lines and posted events can be read
// back), a settable wall clock in UTC, and helpers that evaluate statement texts.
#pragma once

#include "engine/jobs/job.h"
#include "engine/jobs/time_statement.h"
#include "engine/session/engine_session.h"
#include "platform/time/ole_date.h"
#include "support/host_events.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ob::test {

class TimingTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    /// Sets the clock to a local (UTC) moment.
    void SetNow(int year, int month, int day, int hour, int minute, int second);
    void SetNow(const datetime::OleDate& date);
    /// Moves the clock by whole seconds.
    void Advance(long seconds);
    datetime::OleDate Now() const;

    /// A statement of `kind` with `text`, evaluated from its text split like the
    /// parser splits it (expanded, commas separate). `ok` receives the result.
    std::unique_ptr<engine::TimeStatement> Evaluate(std::string_view text, bool& ok,
                                                    std::uint32_t kind = engine::KIND_START);
    /// The same, asserting that evaluation succeeded.
    std::unique_ptr<engine::TimeStatement> Evaluated(std::string_view text,
                                                     std::uint32_t kind = engine::KIND_START);

    /// Takes every event posted so far off the host queue; returns the output lines.
    std::vector<std::string> Lines() { return reader_.Read(); }
    /// Script-error events (2000 with 1003) taken off the queue by Lines() so far.
    std::size_t ScriptErrors() const { return reader_.ScriptErrors(); }

    engine::EngineSession session;
    engine::Job job{datetime::OleDate::FromParts(2024, 1, 1)};

private:
    ScratchDir dir_;
    msg::Hwnd window_ = 0;
    HostLineReader reader_;
};

} // namespace ob::test
