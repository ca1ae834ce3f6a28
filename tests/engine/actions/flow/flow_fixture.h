// Fixture for the statement executor and the flow directives: a session record
// whose host window lives on the test thread (which also plays the engine thread),
// so that what a run prints can be read back as soon as the run returns; job
// scripts written into a scratch folder and loaded by the real loader; a fixed
// "now" for trigger lines.
#pragma once

#include "engine/actions/action_context.h"
#include "engine/jobs/job.h"
#include "engine/session/engine_session.h"
#include "support/host_events.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ob::test {

/// What the session posted since the last Take().
struct Output {
    std::vector<std::string> lines; ///< 2005 pieces up to each 2006
    std::size_t scriptErrors = 0;   ///< 2000 with 1003
};

class FlowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    /// Writes `text` to the scratch file `name`; its full path.
    std::string WriteFile(const std::string& name, const std::string& text) const;
    /// Writes and loads a job script (each call a file of its own); the path of the
    /// file. Fails the test when the loader refuses it. Load output is discarded.
    std::string Load(const std::string& text, std::uint32_t options = 0);
    /// The first queued job whose name the pattern matches, or null.
    engine::Job* Find(const std::string& pattern);
    /// Runs the job in place as the scheduler does when it fires (run and run
    /// control); its run result, -1 when no job matches.
    engine::RunResult Run(const std::string& pattern);
    /// Empties the queue and clears the session flags, for table-driven tests.
    void Reset();
    /// Calls a directive's handler directly with a statement of `job` made of `words`.
    engine::Outcome Call(engine::Outcome (*handler)(engine::ActionContext&), engine::Job& job,
                         const std::vector<std::string>& words);

    /// Takes every event posted so far off the host queue.
    Output Take();
    /// Only the lines of Take().
    std::vector<std::string> Lines() { return Take().lines; }

    static void SetOutputLevel(const char* hex);
    /// A process variable (the live environment), or nothing.
    static std::optional<std::string> Var(const std::string& name);
    /// The fixed "now" in the trigger line's "%#c" form.
    static std::string NowLong();

    const ScratchDir& Scratch() const { return dir_; }

    engine::EngineSession session;

private:
    ScratchDir dir_;
    msg::Hwnd window_ = 0;
    int files_ = 0;
    HostLineReader reader_;
};

} // namespace ob::test
