// Cost of one scheduler pass over idle jobs (none of them due), per job (counter
// per_job, in nanoseconds), for 1 000, 10 000 and 100 000 queued jobs: with plain start
// statements, and with a quarter of the jobs started by -cron and a %-reference in
// every name. The pass runs on this thread against a session without an engine
// thread, so only the pass itself is measured.
//
// Run: build/test/bin/scheduler_bench

#include "bench_stores.h"
#include "engine/loading/job_loader.h"
#include "engine/scheduling/scheduler.h"
#include "engine/session/engine_session.h"
#include "obrenta/obrenta.h"
#include "platform/env/environment.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/window.h"
#include "platform/registry/registry.h"
#include "platform/time/clock.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// `jobs` blocks; with `mixed`, every fourth starts by -cron and every name refers
// to a variable. None is due at the fixed "now" (Wednesday 12:00) or a day later.
std::string WriteScript(int jobs, bool mixed) {
    const std::string path = ob::bench::PrivateStores() + "/idle_" + std::to_string(jobs) +
                             (mixed ? "_mixed.jr" : ".jr");
    std::ofstream out(path);
    for (int i = 0; i < jobs; ++i) {
        out << "{\n\t-name job_" << (mixed ? "%BENCH_TAG%_" : "") << i << "\n";
        if (mixed && i % 4 == 0) {
            out << "\t-start -cron 30 3 * * 1\n";
        } else {
            out << "\t-start -delay 2 0 0 0\n";
        }
        out << "\t-action -set A=1\n}\n";
    }
    return path;
}

void Pass(benchmark::State& state, bool mixed) {
    const int jobs = static_cast<int>(state.range(0));
    ob::env::Set("JR.OUTPUT_LEVEL", "0");
    ob::env::Set("BENCH_TAG", "nightly");
    const std::string path = WriteScript(jobs, mixed);
    // Wednesday 1 October 2025, 12:00 local time.
    std::tm noon{};
    noon.tm_year = 125;
    noon.tm_mon = 9;
    noon.tm_mday = 1;
    noon.tm_hour = 12;
    noon.tm_isdst = -1;
    const auto now = std::chrono::system_clock::from_time_t(std::mktime(&noon));
    ob::clock::SetTestClock([now] { return now; });

    ob::msg::RegisterClass("ObrentaSchedulerBench", ob::msg::DefWindowProc);
    const ob::msg::Hwnd window = ob::msg::CreateWindow("ObrentaSchedulerBench", "bench");
    {
        ob::engine::EngineSession session;
        session.hostWindow = window;
        session.creatorThreadId = ob::msg::GetCurrentThreadId();
        session.engineThreadId = ob::msg::GetCurrentThreadId();
        if (!ob::engine::LoadJobScript(session, path.c_str(), 0) ||
            session.jobs.Size() != static_cast<std::size_t>(jobs)) {
            state.SkipWithError("the jobs did not load");
        } else {
            session.flags.store(SF_ENABLED);
            for (auto _ : state) {
                ob::engine::Tick(session);
            }
        }
        // Loading printed "N jobs loaded."; nothing else was posted.
        ob::msg::Message m;
        while (ob::msg::PeekMessage(m, 0, 0, ob::msg::PM_REMOVE)) {
        }
    }
    ob::msg::DestroyWindow(window);
    ob::clock::SetTestClock(nullptr);
    // Seconds per job, shown with its prefix (for example "450ns").
    state.counters["per_job"] = benchmark::Counter(static_cast<double>(jobs),
                                                   benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

void BM_IdlePass(benchmark::State& state) {
    Pass(state, false);
}
BENCHMARK(BM_IdlePass)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_IdlePassCronAndReferences(benchmark::State& state) {
    Pass(state, true);
}
BENCHMARK(BM_IdlePassCronAndReferences)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
