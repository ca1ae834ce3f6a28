// Feeds arbitrary bytes through everything a job script goes through before its
// jobs run: the split into job and script text, the block parser with every
// statement, expansion and tokenising, time specifications, and the time tests a
// scheduler pass makes (start, stop, suspend and resume, cron, skip days), plus a
// time change and the core dump of the resulting queue.

#include "engine/action_atom.h"
#include "engine/core_dump.h"
#include "engine/engine_session.h"
#include "engine/job_parser.h"
#include "engine/line_reader.h"
#include "engine/scheduler.h"
#include "engine/script_splitter.h"
#include "engine/time_specification.h"
#include "platform/env/environment.h"
#include "platform/registry/registry.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// Private settings stores and variables the scripts may refer to, once.
const std::string& Scratch() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/obfuzz-jobs.XXXXXX";
        const char* made = ::mkdtemp(pattern);
        if (made == nullptr) {
            std::abort();
        }
        std::filesystem::create_directories(std::string(made) + "/machine");
        std::filesystem::create_directories(std::string(made) + "/user");
        ob::env::Set("OBRENTA_MACHINE_DIR", std::string(made) + "/machine");
        ob::env::Set("OBRENTA_USER_DIR", std::string(made) + "/user");
        ob::env::Set("OBFUZZ_SELF", "%OBFUZZ_SELF%-%OBFUZZ_SELF%");
        ob::env::Set("OBFUZZ_TIME", "10:30");
        ob::registry::ResetConnections();
        return std::string(made);
    }();
    return dir;
}

void TestTimes(EngineSession& session, ob::engine::Job& job) {
    using namespace ob::engine;
    for (const auto& statement : job.Statements()) {
        timeAtom* time = nullptr;
        if (statement->kind() == KIND_ACTION) {
            time = static_cast<actionAtom*>(statement.get())->match.get();
        } else if (statement->kind() != KIND_ENV && statement->kind() != KIND_SKIP) {
            time = static_cast<timeAtom*>(statement.get());
        }
        if (time != nullptr) {
            TimeCheckWrapped(session, job, *time, time->kind() == KIND_START);
            TimeCheckWrapped(session, job, *time, false);
        }
    }
    SkippedToday(job);
    job.Name();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ob::engine;
    const std::string& dir = Scratch();
    EngineSession session; // no engine thread and no host window: events are released
    const std::string content(reinterpret_cast<const char*>(data), size);
    const SplitScript split = SplitJobScript(content);
    ParseContext context;
    context.fileName = "fuzz.jr";
    context.scriptText = std::make_shared<const std::string>(split.scriptText);
    LineReader jobText(split.jobText);
    while (!jobText.AtEnd() && ParseOneJob(session, context, jobText)) {
    }
    for (std::size_t i = 0; i < session.jobs.Size(); ++i) {
        TestTimes(session, *session.jobs.At(i));
    }
    TimeChange(session);
    if (size > 0 && data[0] == '{' && session.jobs.Size() > 0) {
        const std::string core = dir + "/fuzz.core";
        WriteCoreDump(session, core);
        std::filesystem::remove(core);
    }
    return 0;
}
