// Fixture for the parser tests: a session record whose host window lives on the
// test thread, so that printed lines and posted events can be read back, and
// helpers that feed job text to the parser the way the loader does.
#pragma once

#include "engine/jobs/job.h"
#include "engine/loading/job_parser.h"
#include "engine/session/engine_session.h"
#include "support/host_events.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ob::test {

class ParserTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    /// Calls ParseOneJob until the text is used up or a call fails, like the
    /// loader; false when a call failed.
    bool Load(std::string_view jobText, std::uint32_t loaderFlags = 0);
    /// A job opened outside any block, for ParseStatement.
    std::unique_ptr<engine::Job> NewJob() const;
    /// ParseStatement on `job` at line 1.
    engine::ParseResult Parse(engine::Job& job, std::string_view text);

    /// Takes every event posted so far off the host queue; returns the output lines.
    std::vector<std::string> Lines() { return reader_.Read(); }
    /// Script-error events (2000 with 1003) taken off the queue by Lines() so far.
    std::size_t ScriptErrors() const { return reader_.ScriptErrors(); }

    std::size_t QueuedJobs() const { return session.jobs.Size(); }
    engine::Job& Queued(std::size_t index) const { return *session.jobs.At(index); }
    /// Statements of one kind, in order.
    static std::vector<engine::Statement*> OfKind(const engine::Job& job, std::uint32_t kind);

    engine::EngineSession session;
    engine::ParseContext context;

private:
    ScratchDir dir_;
    msg::Hwnd window_ = 0;
    HostLineReader reader_;
};

} // namespace ob::test
