// Launches per second of /bin/true: LaunchProgram asynchronously (the reaper
// collects the children) and waited, against posix_spawn plus waitpid called
// directly in the same run.
#include "platform/env/environment.h"
#include "platform/process/child_reaper.h"
#include "platform/process/launch_program.h"

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using namespace ob::process;

void WaitForReaper() {
    while (PendingChildren() != 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void BM_LaunchProgramAsync(benchmark::State& state) {
    for (auto _ : state) {
        LaunchOutcome outcome;
        LaunchProgram(CP_ASYNC, "/bin/true", outcome);
        if (!outcome.success) {
            state.SkipWithError("launch failed");
            break;
        }
    }
    // Outside the timed loop: the reaper collects the last children in parallel.
    WaitForReaper();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LaunchProgramAsync)->UseRealTime();

void BM_LaunchProgramWaited(benchmark::State& state) {
    for (auto _ : state) {
        LaunchOutcome outcome;
        LaunchProgram(0, "/bin/true", outcome);
        if (!outcome.success || outcome.exitCode != 0) {
            state.SkipWithError("launch failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LaunchProgramWaited)->UseRealTime();

// The floor: the C library's posix_spawn with no set-up of our own.
void BM_PosixSpawnDirect(benchmark::State& state) {
    char program[] = "/bin/true";
    char* argv[] = {program, nullptr};
    for (auto _ : state) {
        pid_t pid = 0;
        if (::posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0) {
            state.SkipWithError("posix_spawn failed");
            break;
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PosixSpawnDirect)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
