// Feeds arbitrary bytes through everything a job script goes through: the split
// into job and script text, the block parser with every statement, expansion and
// tokenising, time expressions, the time tests a scheduler pass makes (start,
// stop, suspend and resume, cron, skip days), a time change, the core dump of the
// resulting queue, and then a few scheduler ticks that run the jobs' actions.
//
// The actions may create, move and delete files anywhere their text says, so the
// ticks run only when the fuzzer could lock itself into a scratch directory with
// chroot (as root; run it without a corpus directory, which the chroot would hide);
// otherwise that phase is skipped with a notice. A watchdog
// breaks runs that take longer than a moment (endless -while loops, deep calls)
// and wakes -sleep; inputs that ask for -spin (a busy loop as long as the script
// wants) skip the ticks.

#include "engine/jobs/action_statement.h"
#include "engine/loading/core_dump.h"
#include "engine/loading/job_parser.h"
#include "engine/loading/line_reader.h"
#include "engine/loading/script_splitter.h"
#include "engine/scheduling/scheduler.h"
#include "engine/scheduling/time_evaluation.h"
#include "engine/session/engine_session.h"
#include "obrenta/obrenta.h"
#include "platform/env/environment.h"
#include "platform/registry/registry.h"

#include "platform/text/ascii_case.h"
#include "platform/time/clock.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <thread>
#include <unistd.h>

namespace {

bool g_sandboxed = false;

// Private settings stores and variables the scripts may refer to; as root, the
// process is then locked into the scratch directory.
void Prepare() {
    char pattern[] = "/tmp/obfuzz-jobs.XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (made == nullptr) {
        std::abort();
    }
    const std::string root = made;
    for (const char* dir : {"/machine", "/user", "/tmp", "/work", "/proc"}) {
        std::filesystem::create_directories(root + dir);
    }
    // A private mount namespace with /proc inside the chroot, so that the sanitizers'
    // leak check at exit can still read the process's threads.
    const bool procMounted = ::geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0 &&
                             ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                             ::mount("proc", (root + "/proc").c_str(), "proc", 0, nullptr) == 0;
    if (procMounted && ::chroot(root.c_str()) == 0 && ::chdir("/work") == 0) {
        g_sandboxed = true;
    } else {
        std::fprintf(stderr, "job_script_fuzz: not root (or chroot failed): the actions of the "
                             "loaded jobs are not run\n");
    }
    const std::string base = g_sandboxed ? std::string() : root;
    ob::env::Set("OBRENTA_MACHINE_DIR", base + "/machine");
    ob::env::Set("OBRENTA_USER_DIR", base + "/user");
    ob::env::Set("TMPDIR", base + "/tmp");
    ob::env::Set("OBFUZZ_SELF", "%OBFUZZ_SELF%-%OBFUZZ_SELF%");
    ob::env::Set("OBFUZZ_TIME", "10:30");
    ob::registry::ResetConnections();
}

bool AsksForSpin(const std::string& content) {
    return ob::text::AsciiLower(content).find("spin") != std::string::npos;
}

// Runs a few enabled ticks a minute apart, with a watchdog that breaks long runs
// and wakes sleeps.
void RunTicks(ob::engine::EngineSession& session) {
    using namespace std::chrono;
    const auto start = system_clock::now();
    std::atomic<int> tick{0};
    ob::clock::SetTestClock([&] { return start + minutes(tick.load()); });
    std::atomic<bool> done{false};
    std::thread watchdog([&] {
        auto began = steady_clock::now();
        int seen = 0;
        while (!done.load()) {
            std::this_thread::sleep_for(milliseconds(2));
            session.wakeup.Pulse();
            if (tick.load() != seen) {
                seen = tick.load();
                began = steady_clock::now();
            } else if (steady_clock::now() - began > milliseconds(50)) {
                session.breakEvent.Set();
            }
        }
    });
    session.flags.store(SF_ENABLED);
    for (int i = 0; i < 3; ++i) {
        tick.store(i);
        session.breakEvent.ResetEvent();
        ob::engine::Tick(session);
    }
    done.store(true);
    watchdog.join();
    ob::clock::SetTestClock(nullptr);
}

void TestTimes(ob::engine::EngineSession& session, ob::engine::Job& job) {
    using namespace ob::engine;
    for (const auto& statement : job.Statements()) {
        TimeStatement* time = nullptr;
        if (statement->Kind() == KIND_ACTION) {
            time = static_cast<ActionStatement*>(statement.get())->match.get();
        } else if (statement->Kind() != KIND_ENVIRONMENT && statement->Kind() != KIND_SKIP) {
            time = static_cast<TimeStatement*>(statement.get());
        }
        if (time != nullptr) {
            TimeCheckWrapped(session, job, *time, time->Kind() == KIND_START);
            TimeCheckWrapped(session, job, *time, false);
        }
    }
    SkippedToday(job);
    job.Name();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ob::engine;
    // Set up at the first input, after the fuzzer has read its corpus (the chroot
    // hides the rest of the file system; run without a corpus directory to write to).
    static const bool prepared = (Prepare(), true);
    (void)prepared;
    ob::engine::EngineSession session; // no engine thread and no host window: events are released
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
        WriteCoreDump(session, "fuzz.core");
        std::filesystem::remove("fuzz.core");
    }
    if (g_sandboxed && !AsksForSpin(content)) {
        RunTicks(session);
    }
    return 0;
}
