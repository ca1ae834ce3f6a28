// Fixture for the host and job-control directives: a session record whose host
// window lives on the test thread (which also plays the engine thread), so that
// events posted by a job's run can be read back as soon as the run returns; job
// scripts written into a scratch folder; and a fixed "now".
#pragma once

#include "engine/actions/action_context.h"
#include "engine/jobs/job.h"
#include "engine/session/engine_session.h"
#include "support/host_events.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ob::test {

class HostDirectiveTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    /// Writes `text` to the scratch file `name`; its full path.
    std::string WriteFile(const std::string& name, const std::string& text) const;
    /// Writes and loads a job script; true when the loader accepted it. The events
    /// of the load are discarded.
    bool LoadScript(const std::string& name, const std::string& text);
    /// The first queued job whose name the pattern matches, or null.
    engine::Job* Find(const std::string& pattern);
    /// Runs the named job in place, as the scheduler does when it fires; its run
    /// result. The job must be queued.
    engine::RunResult Run(const std::string& pattern);
    /// Calls a directive's handler with a hand-built statement of `job`.
    engine::Outcome Call(engine::Outcome (*handler)(engine::ActionContext&), engine::Job& job,
                         const std::vector<std::string>& words);

    /// Takes every event posted so far off the host queue.
    std::vector<HostEvent> Events() { return TakeHostEvents(); }
    static std::vector<std::string> Lines(const std::vector<HostEvent>& events) {
        return OutputLines(events);
    }
    static std::size_t Count(const std::vector<HostEvent>& events, std::uint32_t code,
                             std::uintptr_t data = 0) {
        return CountEvents(events, code, data);
    }
    /// True when `lines` holds `line`.
    static bool HasLine(const std::vector<std::string>& lines, const std::string& line);
    /// The action events (2000 to 2004 and 2007 to 2016) in order, output left out.
    static std::vector<std::uint32_t> ActionCodes(const std::vector<HostEvent>& events);

    static void SetOutputLevel(const char* hex);
    /// The local date and time that the fixed clock gives, formatted with "%#c".
    static std::string NowLong();

    const ScratchDir& Scratch() const { return dir_; }

    engine::EngineSession session;

private:
    ScratchDir dir_;
    msg::Hwnd window_ = 0;
};

} // namespace ob::test
