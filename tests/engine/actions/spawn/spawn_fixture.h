// Fixture for "-spawn": a session record whose host window lives on the test
// thread (which plays the engine thread), so that what a statement prints and
// posts can be read back as soon as it returns; a scratch folder; private
// settings stores.
#pragma once

#include "engine/actions/outcome.h"
#include "engine/jobs/job.h"
#include "engine/scheduling/run_result.h"
#include "engine/session/engine_session.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ob::test {

struct SpawnResult {
    engine::Outcome outcome = engine::Outcome::Done; ///< the directive's outcome (Dispatch)
    std::vector<std::string> lines;                  ///< 2005 pieces up to each 2006
    std::size_t launchFailures = 0;                  ///< 2000 with 1004
    std::size_t scriptErrors = 0;                    ///< 2000 with 1003
    std::size_t otherEvents = 0;
};

class SpawnTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    /// Dispatches one statement text (split as the executor splits it).
    SpawnResult Dispatch(const std::string& text);
    /// Runs one statement through the statement executor; its run result.
    engine::RunResult Execute(const std::string& text);
    /// Takes every event posted so far off the host queue.
    SpawnResult Take();

    static std::optional<std::string> Var(const std::string& name);
    std::string Path(const std::string& name) const { return dir_ / name; }
    const ScratchDir& Scratch() const { return dir_; }

    engine::EngineSession session;
    engine::Job job{datetime::OleDate()};

private:
    ScratchDir dir_;
    msg::Hwnd window_ = 0;
    std::optional<std::string> path_;
};

} // namespace ob::test
