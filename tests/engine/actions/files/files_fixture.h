// Fixture for the file and system directives: a session record whose host window
// lives on the test thread (which also plays the engine thread), so that the events
// of a directive can be read back as soon as it returns; a scratch folder that is
// also the temporary directory; private settings stores; a fixed "now".
#pragma once

#include "engine/actions/action_context.h"
#include "engine/jobs/job.h"
#include "engine/session/engine_session.h"
#include "support/host_events.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ob::test {

class FilesTest : public ::testing::Test {
public:
    /// The fixed "now": Tuesday, March 14, 1995 12:41:29 local time (in the zone
    /// in force when it is called).
    static std::time_t Now();
    /// A process variable (environment), or nothing.
    static std::optional<std::string> Var(const std::string& name);

protected:
    void SetUp() override;
    void TearDown() override;

    /// Calls a directive's handler with a hand-built statement of `job`; its outcome.
    engine::Outcome Call(engine::Outcome (*handler)(engine::ActionContext&),
                         const std::vector<std::string>& words);

    const std::filesystem::path& Scratch() const { return dir_.Path(); }
    /// The full path of `name` in the scratch folder.
    std::string Path(const std::string& name) const { return dir_ / name; }
    /// Writes `text` to the scratch file `name`; its full path.
    std::string WriteFile(const std::string& name, const std::string& text) const;
    /// The content of a file, or nothing when it cannot be read.
    static std::optional<std::string> ReadFile(const std::string& path);
    static bool Exists(const std::string& path);
    /// Sets a file's modification time (seconds and nanoseconds).
    static void SetModified(const std::string& path, std::time_t seconds, long nanoseconds = 0);
    /// Names in a directory, sorted.
    static std::vector<std::string> Listing(const std::string& directory);

    static std::optional<std::string> LastError() { return Var("JR.LAST_ERROR"); }

    /// Takes every event posted so far off the host queue.
    std::vector<HostEvent> Events() { return TakeHostEvents(); }
    static std::vector<std::string> Lines(const std::vector<HostEvent>& events) {
        return OutputLines(events);
    }
    static std::size_t Count(const std::vector<HostEvent>& events, std::uint32_t code,
                             std::uintptr_t data = 0) {
        return CountEvents(events, code, data);
    }

    /// Expects a fatal failure: outcome 4, `message` printed, 2000/1003 posted.
    void ExpectFatal(engine::Outcome outcome, const std::string& message);
    /// Expects a soft failure: outcome 1 with `message` in JR.LAST_ERROR, nothing
    /// printed.
    void ExpectSoft(engine::Outcome outcome, const std::string& message);

    engine::EngineSession session;
    engine::Job job{datetime::OleDate()};

private:
    ScratchDir dir_;
    msg::Hwnd window_ = 0;
};

} // namespace ob::test
